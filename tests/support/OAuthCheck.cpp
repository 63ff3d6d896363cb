#include "support/OAuthCheck.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace support {

namespace {

// Written apart from the platform's encoder, so that a fault there cannot hide itself here.
std::string encode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string decode(const std::string& text, bool plusIsSpace) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (text[i] == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

void addForm(const std::string& form, std::vector<std::pair<std::string, std::string>>& into) {
    std::size_t pos = 0;
    while (pos <= form.size() && !form.empty()) {
        std::size_t amp = form.find('&', pos);
        std::string pair =
            form.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        if (!pair.empty()) {
            std::size_t eq = pair.find('=');
            into.emplace_back(decode(pair.substr(0, eq), true),
                              eq == std::string::npos ? "" : decode(pair.substr(eq + 1), true));
        }
        if (amp == std::string::npos)
            break;
        pos = amp + 1;
    }
}

} // namespace

OAuthCheck checkOAuthSignature(const RecordedRequest& request, const std::string& base,
                               const SL::OAuth::Credentials& credentials) {
    OAuthCheck check;
    std::string header = request.header("Authorization");
    if (header.rfind("OAuth ", 0) != 0) {
        check.problem = "no OAuth Authorization header";
        return check;
    }
    // oauth_x="v", oauth_y="w"
    std::string rest = header.substr(6);
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t eq = rest.find("=\"", pos);
        std::size_t close = eq == std::string::npos ? eq : rest.find('"', eq + 2);
        if (close == std::string::npos) {
            check.problem = "malformed Authorization header";
            return check;
        }
        std::string name = rest.substr(pos, eq - pos);
        name.erase(0, name.find_first_not_of(", "));
        check.protocol[name] = decode(rest.substr(eq + 2, close - eq - 2), false);
        pos = close + 1;
    }
    for (const char* required :
         {"oauth_consumer_key", "oauth_nonce", "oauth_signature", "oauth_signature_method",
          "oauth_timestamp", "oauth_token", "oauth_version"}) {
        if (!check.protocol.count(required)) {
            check.problem = std::string("missing ") + required;
            return check;
        }
    }
    if (check.protocol["oauth_signature_method"] != "HMAC-SHA1" ||
        check.protocol["oauth_version"] != "1.0") {
        check.problem = "unexpected signature method or version";
        return check;
    }
    if (check.protocol["oauth_consumer_key"] != credentials.consumerKey ||
        check.protocol["oauth_token"] != credentials.token) {
        check.problem = "signed for another consumer or token";
        return check;
    }

    std::vector<std::pair<std::string, std::string>> params;
    addForm(request.query(), params);
    if (request.header("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
        addForm(request.body, params);
    for (const auto& [name, value] : check.protocol)
        if (name != "oauth_signature" && name != "realm")
            params.emplace_back(name, value);
    std::vector<std::pair<std::string, std::string>> encoded;
    encoded.reserve(params.size());
    for (const auto& [name, value] : params)
        encoded.emplace_back(encode(name), encode(value));
    std::sort(encoded.begin(), encoded.end());
    std::string normalized;
    for (const auto& [name, value] : encoded)
        normalized.append(normalized.empty() ? "" : "&").append(name).append("=").append(value);
    std::string baseString =
        request.method + "&" + encode(base + request.path()) + "&" + encode(normalized);
    std::string key = encode(credentials.consumerSecret) + "&" + encode(credentials.tokenSecret);
    std::string expected = SL::OAuth::hmacSha1Base64(key, baseString);
    if (expected != check.protocol["oauth_signature"]) {
        check.problem = "signature does not verify";
        return check;
    }
    check.valid = true;
    return check;
}

} // namespace support
