#include "support/OAuthCheck.h"

namespace support {

namespace {

OAuthCheck refuse(OAuthCheck check, const char* problem) {
    check.problem = problem;
    return check;
}

} // namespace

// The base string comes from the platform's own builder, which the published examples in
// OAuthTest pin down; what goes into it is taken from the bytes that arrived.
OAuthCheck checkOAuthSignature(const RecordedRequest& request, const std::string& base,
                               const SL::OAuth::Credentials& credentials) {
    using namespace SL::OAuth;
    OAuthCheck check;
    std::string header = request.header("Authorization");
    if (header.rfind("OAuth ", 0) != 0)
        return refuse(check, "no OAuth Authorization header");
    // oauth_x="v", oauth_y="w"
    std::string rest = header.substr(6);
    for (std::size_t pos = 0; pos < rest.size();) {
        std::size_t eq = rest.find("=\"", pos);
        std::size_t close = eq == std::string::npos ? eq : rest.find('"', eq + 2);
        if (close == std::string::npos)
            return refuse(check, "malformed Authorization header");
        std::string name = rest.substr(pos, eq - pos);
        name.erase(0, name.find_first_not_of(", "));
        check.protocol[name] = percentDecode(rest.substr(eq + 2, close - eq - 2), false);
        pos = close + 1;
    }
    for (const char* required :
         {"oauth_consumer_key", "oauth_nonce", "oauth_signature", "oauth_signature_method",
          "oauth_timestamp", "oauth_token", "oauth_version"})
        if (!check.protocol.count(required))
            return refuse(check, "missing a protocol parameter");
    if (check.protocol["oauth_signature_method"] != "HMAC-SHA1" ||
        check.protocol["oauth_version"] != "1.0")
        return refuse(check, "unexpected signature method or version");
    if (check.protocol["oauth_consumer_key"] != credentials.consumerKey ||
        check.protocol["oauth_token"] != credentials.token)
        return refuse(check, "signed for another consumer or token");

    Parameters params = parseForm(request.query());
    if (request.header("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
        for (auto& pair : parseForm(request.body))
            params.push_back(std::move(pair));
    for (const auto& [name, value] : check.protocol)
        if (name != "oauth_signature" && name != "realm")
            params.emplace_back(name, value);
    std::string key =
        percentEncode(credentials.consumerSecret) + "&" + percentEncode(credentials.tokenSecret);
    std::string baseString = signatureBaseString(request.method, base + request.path(), params);
    if (hmacSha1Base64(key, baseString) != check.protocol["oauth_signature"])
        return refuse(check, "signature does not verify");
    check.valid = true;
    return check;
}

} // namespace support
