// OAuth 1.0a signing: encoding, the signature base string and the HMAC-SHA1 signature,
// checked against published examples.
#include "social/OAuth.h"

#include <gtest/gtest.h>

namespace {

using namespace SL::OAuth;

TEST(OAuthEncoding, EncodesAllButUnreservedCharactersAndDecodesFormBlanksOnlyInForms) {
    EXPECT_EQ(percentEncode("Ladies + Gentlemen!*'()"), "Ladies%20%2B%20Gentlemen%21%2A%27%28%29");
    EXPECT_EQ(percentEncode("\xE2\x98\x83"), "%E2%98%83"); // a snowman, byte by byte
    EXPECT_EQ(percentDecode("a%20b+c", true), "a b c");
    EXPECT_EQ(percentDecode("100%%zz%4", false), "100%%zz%4") << "stray percents stay";
}

// RFC 5849, section 3.4.1.1: the request's query, form body and protocol parameters.
TEST(OAuthBaseString, MatchesTheRFCExample) {
    Parameters params = parseForm("b5=%3D%253D&a3=a&c%40=&a2=r%20b");
    Parameters body = parseForm("c2&a3=2+q");
    params.insert(params.end(), body.begin(), body.end());
    Parameters protocol = {{"oauth_consumer_key", "9djdj82h48djs9d2"},
                           {"oauth_token", "kkk9d7dh3k39sjv7"},
                           {"oauth_signature_method", "HMAC-SHA1"},
                           {"oauth_timestamp", "137131201"},
                           {"oauth_nonce", "7d8f3e4a"}};
    params.insert(params.end(), protocol.begin(), protocol.end());
    EXPECT_EQ(signatureBaseString(
                  "post", "http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b", params),
              "POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q"
              "%26a3%3Da%26b5%3D%253D%25253D%26c%2540%3D%26c2%3D%26oauth_consumer_key"
              "%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_signature_method"
              "%3DHMAC-SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk9d7dh3k39sjv7");
}

// Twitter's "Creating a signature" example.
const Credentials kTwitterExample{"xvz1evFS4wEEPTGEFPHBog",
                                  "kAcSOqF21Fu85e7zjz7ZN2U4ZRhfV3WpwPAoE3Z7kBw",
                                  "370773112-GmHxMAgYyLbNEtIKZeRNFsMKPR9EyMZeS9weJAEb",
                                  "LswwdoUaIvS8ltyTt5jkRh4J50vUPVVHtR2YPi5kE"};
const char* kTwitterURL = "https://api.twitter.com/1.1/statuses/update.json";
const Parameters kTwitterParams = {{"status", "Hello Ladies + Gentlemen, a signed OAuth request!"},
                                   {"include_entities", "true"}};
const char* kTwitterNonce = "kYjzVBB8Y0ZFabxSWbWovY3uYSQ2pTgmZeNu2VS4cg";

TEST(OAuthSignature, MatchesTwittersExample) {
    Parameters all = kTwitterParams;
    Parameters protocol = {{"oauth_consumer_key", kTwitterExample.consumerKey},
                           {"oauth_nonce", kTwitterNonce},
                           {"oauth_signature_method", "HMAC-SHA1"},
                           {"oauth_timestamp", "1318622958"},
                           {"oauth_token", kTwitterExample.token},
                           {"oauth_version", "1.0"}};
    all.insert(all.end(), protocol.begin(), protocol.end());
    std::string base = signatureBaseString("POST", kTwitterURL, all);
    EXPECT_EQ(base,
              "POST&https%3A%2F%2Fapi.twitter.com%2F1.1%2Fstatuses%2Fupdate.json&include_entities"
              "%3Dtrue%26oauth_consumer_key%3Dxvz1evFS4wEEPTGEFPHBog%26oauth_nonce"
              "%3DkYjzVBB8Y0ZFabxSWbWovY3uYSQ2pTgmZeNu2VS4cg%26oauth_signature_method%3DHMAC-SHA1"
              "%26oauth_timestamp%3D1318622958%26oauth_token"
              "%3D370773112-GmHxMAgYyLbNEtIKZeRNFsMKPR9EyMZeS9weJAEb%26oauth_version%3D1.0%26status"
              "%3DHello%2520Ladies%2520%252B%2520Gentlemen%252C%2520a%2520signed%2520OAuth"
              "%2520request%2521");
    EXPECT_EQ(sign(base, kTwitterExample), "hCtSmYh+iHYCEqBWrE7C7hYmtUk=");
}

// The key joins the two secrets, each escaped: a secret holding "&" cannot pass for the other.
TEST(OAuthSignature, TheKeyIsBuiltFromEscapedSecrets) {
    const struct {
        const char* consumerSecret;
        const char* tokenSecret;
        const char* key;
    } cases[] = {{"a&b", "c", "a%26b&c"},
                 {"a", "b&c", "a&b%26c"},
                 {"s p+/=", "%41", "s%20p%2B%2F%3D&%2541"},
                 {"", "", "&"}};
    for (const auto& c : cases)
        EXPECT_EQ(sign("POST&x&y", {"ck", c.consumerSecret, "tk", c.tokenSecret}),
                  hmacSha1Base64(c.key, "POST&x&y"))
            << c.key;
}

TEST(OAuthSignature, TheHeaderCarriesTheSameSignatureEscaped) {
    std::string header = authorizationHeader("POST", kTwitterURL, kTwitterParams, kTwitterExample,
                                             kTwitterNonce, 1318622958);
    EXPECT_EQ(header, "OAuth oauth_consumer_key=\"xvz1evFS4wEEPTGEFPHBog\", "
                      "oauth_nonce=\"kYjzVBB8Y0ZFabxSWbWovY3uYSQ2pTgmZeNu2VS4cg\", "
                      "oauth_signature=\"hCtSmYh%2BiHYCEqBWrE7C7hYmtUk%3D\", "
                      "oauth_signature_method=\"HMAC-SHA1\", oauth_timestamp=\"1318622958\", "
                      "oauth_token=\"370773112-GmHxMAgYyLbNEtIKZeRNFsMKPR9EyMZeS9weJAEb\", "
                      "oauth_version=\"1.0\"");
}

TEST(OAuthNonce, IsThirtyTwoHexDigitsAndFreshEachTime) {
    std::string nonce = makeNonce();
    EXPECT_EQ(nonce.size(), 32U);
    EXPECT_EQ(nonce.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(makeNonce(), nonce);
}

} // namespace
