// Checks a recorded request's OAuth 1.0a signature the way the service would: rebuild the
// signature base string from what arrived (method, URL, query, form body and the header's
// protocol parameters) and compare the HMAC-SHA1 signature for the given secrets.
#pragma once

#include "social/OAuth.h"
#include "support/LocalHTTPServer.h"

#include <map>
#include <string>

namespace support {

struct OAuthCheck {
    bool valid = false;
    std::string problem;                         // why it is not valid
    std::map<std::string, std::string> protocol; // the header's parameters, decoded
};

// `base` is the scheme, host and port the request was sent to, e.g. "http://127.0.0.1:8080".
OAuthCheck checkOAuthSignature(const RecordedRequest& request, const std::string& base,
                               const SL::OAuth::Credentials& credentials);

} // namespace support
