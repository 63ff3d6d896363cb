// OAuth 1.0a signing: encoding, the signature base string and the HMAC-SHA1 signature,
// checked against published examples.
#include "social/OAuth.h"

#include <gtest/gtest.h>

namespace {

using namespace SL::OAuth;

// RFC 5849, section 3.4.1.1: the request's query, form body and protocol parameters. A "+" is
// a blank only in a form; elsewhere it stays, and so do stray percents.
TEST(OAuthBaseString, MatchesTheRFCExample) {
    Parameters params = parseForm("b5=%3D%253D&a3=a&c%40=&a2=r%20b&c2&a3=2+q");
    params.insert(params.end(), {{"oauth_consumer_key", "9djdj82h48djs9d2"},
                                 {"oauth_token", "kkk9d7dh3k39sjv7"},
                                 {"oauth_signature_method", "HMAC-SHA1"},
                                 {"oauth_timestamp", "137131201"},
                                 {"oauth_nonce", "7d8f3e4a"}});
    EXPECT_EQ(signatureBaseString(
                  "post", "http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b", params),
              "POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q"
              "%26a3%3Da%26b5%3D%253D%25253D%26c%2540%3D%26c2%3D%26oauth_consumer_key"
              "%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_signature_method"
              "%3DHMAC-SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk9d7dh3k39sjv7");
    EXPECT_EQ(percentDecode("1+1=100%%zz%4", false), "1+1=100%%zz%4");
}

// Twitter's "Creating a signature" example, whose signature the header carries escaped.
TEST(OAuthSignature, TheHeaderMatchesTwittersExample) {
    const Credentials secrets{"xvz1evFS4wEEPTGEFPHBog",
                              "kAcSOqF21Fu85e7zjz7ZN2U4ZRhfV3WpwPAoE3Z7kBw",
                              "370773112-GmHxMAgYyLbNEtIKZeRNFsMKPR9EyMZeS9weJAEb",
                              "LswwdoUaIvS8ltyTt5jkRh4J50vUPVVHtR2YPi5kE"};
    std::string header =
        authorizationHeader("POST", "https://api.twitter.com/1.1/statuses/update.json",
                            {{"status", "Hello Ladies + Gentlemen, a signed OAuth request!"},
                             {"include_entities", "true"}},
                            secrets, "kYjzVBB8Y0ZFabxSWbWovY3uYSQ2pTgmZeNu2VS4cg", 1318622958);
    EXPECT_EQ(header, "OAuth oauth_consumer_key=\"xvz1evFS4wEEPTGEFPHBog\", "
                      "oauth_nonce=\"kYjzVBB8Y0ZFabxSWbWovY3uYSQ2pTgmZeNu2VS4cg\", "
                      "oauth_signature=\"hCtSmYh%2BiHYCEqBWrE7C7hYmtUk%3D\", "
                      "oauth_signature_method=\"HMAC-SHA1\", oauth_timestamp=\"1318622958\", "
                      "oauth_token=\"370773112-GmHxMAgYyLbNEtIKZeRNFsMKPR9EyMZeS9weJAEb\", "
                      "oauth_version=\"1.0\"");
}

// The key joins the two secrets, each escaped: a secret holding "&" cannot pass for the other,
// and every character but the unreserved ones is escaped, a UTF-8 snowman byte by byte.
TEST(OAuthSignature, TheKeyIsBuiltFromEscapedSecrets) {
    const char* const cases[][3] = {{"a&b", "c", "a%26b&c"},
                                    {"a", "b&c", "a&b%26c"},
                                    {"s p+/=", "%41", "s%20p%2B%2F%3D&%2541"},
                                    {"!*'()\xE2\x98\x83", "", "%21%2A%27%28%29%E2%98%83&"},
                                    {"", "", "&"}};
    for (const auto& [consumerSecret, tokenSecret, key] : cases)
        EXPECT_EQ(sign("POST&x&y", {"ck", consumerSecret, "tk", tokenSecret}),
                  hmacSha1Base64(key, "POST&x&y"))
            << key;
}

TEST(OAuthNonce, IsThirtyTwoHexDigitsAndFreshEachTime) {
    std::string nonce = makeNonce();
    EXPECT_EQ(nonce.size(), 32U);
    EXPECT_EQ(nonce.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(makeNonce(), nonce);
}

} // namespace
