// OAuth 1.0a request signing (RFC 5849) with HMAC-SHA1, as the device signs requests made
// on behalf of an account.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace SL::OAuth {

struct Credentials {
    std::string consumerKey;
    std::string consumerSecret;
    std::string token;
    std::string tokenSecret;
};

using Parameters = std::vector<std::pair<std::string, std::string>>;

// Percent-encodes everything but RFC 3986's unreserved characters, with upper-case hex.
std::string percentEncode(std::string_view text);
// Undoes percent-escapes; with plusIsSpace, '+' reads as a blank (form encoding).
std::string percentDecode(std::string_view text, bool plusIsSpace);
// Splits "a=1&b=2" (a query or a form body) into decoded pairs, in order.
Parameters parseForm(std::string_view form);
// "a=1&b=2", each name and value percent-encoded.
std::string formEncode(const Parameters& parameters);

// The base string URI: scheme and host lower-cased, default ports dropped, no query or fragment.
std::string baseStringURI(std::string_view url);
// METHOD&encoded-URI&encoded-normalized-parameters. The parameters are the request's query
// and form parameters and the oauth_ protocol parameters (without oauth_signature), decoded.
std::string signatureBaseString(std::string_view method, std::string_view url,
                                const Parameters& parameters);
std::string hmacSha1Base64(std::string_view key, std::string_view text);
// The HMAC-SHA1 signature of a base string with the consumer and token secrets.
std::string sign(std::string_view baseString, const Credentials& credentials);

// The Authorization header's value for a request: "OAuth oauth_consumer_key=\"…\", …".
// `parameters` are the query and form parameters, decoded.
std::string authorizationHeader(std::string_view method, std::string_view url,
                                const Parameters& parameters, const Credentials& credentials,
                                std::string_view nonce, long long timestamp);
// A fresh nonce: 32 random hex digits.
std::string makeNonce();

} // namespace SL::OAuth
