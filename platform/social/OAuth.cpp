#include "social/OAuth.h"

#include "foundation/URL.h"

#include <algorithm>
#include <cctype>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <random>

namespace SL::OAuth {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

std::string percentEncode(std::string_view text) {
    return NS::percentEscape(text);
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

Parameters parseForm(std::string_view form) {
    Parameters out;
    while (!form.empty()) {
        std::size_t amp = form.find('&');
        std::string_view pair = form.substr(0, amp);
        form = amp == std::string_view::npos ? std::string_view() : form.substr(amp + 1);
        if (pair.empty())
            continue;
        std::size_t eq = pair.find('=');
        std::string_view name = pair.substr(0, eq);
        std::string_view value =
            eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        out.emplace_back(percentDecode(name, true), percentDecode(value, true));
    }
    return out;
}

std::string formEncode(const Parameters& parameters) {
    std::string out;
    for (const auto& [name, value] : parameters) {
        if (!out.empty())
            out += '&';
        out += percentEncode(name) + "=" + percentEncode(value);
    }
    return out;
}

std::string baseStringURI(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    std::size_t colon = url.find("://");
    if (colon == std::string_view::npos)
        return std::string(url);
    std::string scheme = lower(url.substr(0, colon));
    std::string_view rest = url.substr(colon + 3);
    std::size_t slash = rest.find('/');
    std::string authority = lower(rest.substr(0, slash));
    std::string path(slash == std::string_view::npos ? "/" : rest.substr(slash));
    // Credentials in the authority are not part of the base string.
    if (std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    std::size_t portColon = authority.rfind(':');
    if (portColon != std::string::npos && authority.find(']', portColon) == std::string::npos) {
        std::string port = authority.substr(portColon + 1);
        if ((scheme == "http" && port == "80") || (scheme == "https" && port == "443") ||
            port.empty())
            authority.erase(portColon);
    }
    return scheme + "://" + authority + path;
}

std::string signatureBaseString(std::string_view method, std::string_view url,
                                const Parameters& parameters) {
    std::vector<std::pair<std::string, std::string>> encoded;
    encoded.reserve(parameters.size());
    for (const auto& [name, value] : parameters)
        encoded.emplace_back(percentEncode(name), percentEncode(value));
    std::sort(encoded.begin(), encoded.end());
    std::string normalized;
    for (const auto& [name, value] : encoded) {
        if (!normalized.empty())
            normalized += '&';
        normalized.append(name).append("=").append(value);
    }
    std::string upperMethod(method);
    std::transform(upperMethod.begin(), upperMethod.end(), upperMethod.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upperMethod + "&" + percentEncode(baseStringURI(url)) + "&" + percentEncode(normalized);
}

std::string hmacSha1Base64(std::string_view key, std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest, &length);
    unsigned char encoded[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    int written = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
    return std::string(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(written));
}

std::string sign(std::string_view baseString, const Credentials& credentials) {
    std::string key =
        percentEncode(credentials.consumerSecret) + "&" + percentEncode(credentials.tokenSecret);
    return hmacSha1Base64(key, baseString);
}

std::string authorizationHeader(std::string_view method, std::string_view url,
                                const Parameters& parameters, const Credentials& credentials,
                                std::string_view nonce, long long timestamp) {
    Parameters protocol = {
        {"oauth_consumer_key", credentials.consumerKey},
        {"oauth_nonce", std::string(nonce)},
        {"oauth_signature_method", "HMAC-SHA1"},
        {"oauth_timestamp", std::to_string(timestamp)},
        {"oauth_version", "1.0"},
    };
    // A request signed with the consumer alone carries no token.
    if (!credentials.token.empty())
        protocol.emplace_back("oauth_token", credentials.token);
    Parameters all = parameters;
    all.insert(all.end(), protocol.begin(), protocol.end());
    protocol.emplace_back("oauth_signature",
                          sign(signatureBaseString(method, url, all), credentials));
    std::sort(protocol.begin(), protocol.end());
    std::string header = "OAuth ";
    for (std::size_t i = 0; i < protocol.size(); ++i)
        header +=
            (i ? ", " : "") + protocol[i].first + "=\"" + percentEncode(protocol[i].second) + "\"";
    return header;
}

std::string makeNonce() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        std::random_device device;
        for (auto& b : bytes)
            b = static_cast<unsigned char>(device());
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

} // namespace SL::OAuth
