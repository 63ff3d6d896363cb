// SL::Request end to end: real requests to a local server on 127.0.0.1, signed as an
// account lives through its handler; misbehaving servers end in errors; TLS refusal.
#include "dispatch/Queue.h"
#include "social/OAuth.h"
#include "social/Request.h"
#include "support/EventRecorder.h"
#include "support/LocalHTTPServer.h"
#include "support/TemporaryRoot.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using objc::Ref;
using objc::RefPtr;

constexpr auto kPatience = 30s; // never reached unless something hangs
const SL::OAuth::Credentials kSecrets{"consumer-key", "consumer-secret", "1234-token",
                                      "token-secret"};

// What a request's handler received, once.
struct Outcome {
    std::promise<std::pair<long, RefPtr<NS::Error>>> received;
    long status = -1; // -1: no response
    RefPtr<NS::Error> error;

    SL::RequestHandler handler() {
        return [this](NS::Data*, NS::HTTPURLResponse* r, NS::Error* e) {
            received.set_value({r ? r->statusCode() : -1, RefPtr<NS::Error>(e)});
        };
    }
    bool wait() {
        auto arrived = received.get_future();
        if (arrived.wait_for(kPatience) != std::future_status::ready)
            return false;
        std::tie(status, error) = arrived.get();
        return dispatch::waitUntilIdle(kPatience);
    }
};

Ref<AC::Account> makeAccount() {
    auto type = AC::AccountType::typeWithIdentifier(AC::ACAccountTypeIdentifierTwitter);
    return AC::Account::initWithAccountType(
        *type, NS::str("tapper"),
        {kSecrets.consumerKey, kSecrets.consumerSecret, kSecrets.token, kSecrets.tokenSecret});
}

Ref<SL::Request> follow(AC::Account* account) {
    auto r = SL::Request::requestForServiceTypeRequestMethodURLParameters(
        NS::str(SL::SLServiceTypeTwitter).ptr(), SL::POST,
        NS::URL::URLWithString("https://api.twitter.com/1.1/friendships/create.json").get(),
        NS::Dictionary::dictionary({{"screen_name", NS::str("Quarvo")}}).ptr());
    r->setAccount(account);
    return r.releaseNonNull();
}

// Sends a follow signed by `account` and waits for its handler.
void send(AC::Account* account, Outcome& outcome) {
    follow(account)->performRequestWithHandler(outcome.handler());
    ASSERT_TRUE(outcome.wait());
}

class SocialRequest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SL::setAPIBase(server.base()));
        SL::setTimeouts(2s, 5s);
    }
    void TearDown() override {
        dispatch::waitUntilIdle(kPatience);
        SL::setAPIBase("");
        SL::setTimeouts(10s, 30s);
    }

    support::LocalHTTPServer server;
    support::EventRecorder events;
    Ref<AC::Account> account = makeAccount();
};

TEST_F(SocialRequest, ARequestLivesUntilItsHandlerRanAndNeitherItNorItsAccountShowsSecrets) {
    for (AC::Account* signer : {account.ptr(), static_cast<AC::Account*>(nullptr)}) {
        objc::WeakPtr<SL::Request> weak;
        Outcome outcome;
        {
            auto r = follow(signer);
            weak = objc::WeakPtr<SL::Request>(r);
            r->performRequestWithHandler(outcome.handler());
        }
        ASSERT_TRUE(outcome.wait());
        EXPECT_FALSE(weak.get());
        EXPECT_EQ(server.requests().back().header("Authorization").empty(), !signer);
    }
    std::vector<support::Event> shown = events.events("http");
    EXPECT_EQ(shown.size(), 2U);
    shown.push_back({NS::String::stringWithFormat("%@", account)->str()});
    for (const auto& [line] : shown)
        for (const std::string& secret :
             {kSecrets.consumerKey, kSecrets.consumerSecret, kSecrets.token, kSecrets.tokenSecret})
            EXPECT_EQ(line.find(secret), std::string::npos) << secret;
}

TEST_F(SocialRequest, GarbageAClosedConnectionOrNoAnswerEndInAnError) {
    SL::setTimeouts(200ms, 300ms);
    using Behaviour = support::LocalHTTPServer::Behaviour;
    const std::pair<Behaviour, long> cases[] = {
        {Behaviour::Garbage, NS::URLErrorBadServerResponse},
        {Behaviour::Close, NS::URLErrorNetworkConnectionLost},
        {Behaviour::NoAnswer, NS::URLErrorTimedOut}};
    for (const auto& [behaviour, code] : cases) {
        server.setBehaviour(behaviour);
        Outcome outcome;
        send(account.ptr(), outcome);
        EXPECT_EQ(outcome.status, -1);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code(), code);
    }
    EXPECT_EQ(server.requests().size(), 3U) << "each request itself arrived";
}

// The simulator's stand-in checks signatures as the service does: other secrets are refused.
TEST(ApiStandIn, AnswersOnlyARequestSignedWithTheAccountsSecrets) {
    for (const char* tokenSecret : {"token-secret", "another-secret"}) {
        SL::OAuth::Credentials known = kSecrets;
        known.tokenSecret = tokenSecret;
        std::unique_ptr<sim::ApiStub> stub;
        stub = std::make_unique<sim::ApiStub>(nullptr, [&](sim::ApiRequest& r) {
            return stub->twitter(r, [&](const std::string& token) {
                return token == known.token ? std::optional(known) : std::nullopt;
            });
        });
        SL::setAPIBase(stub->base());
        Outcome outcome;
        send(makeAccount().ptr(), outcome);
        EXPECT_EQ(outcome.status, known.tokenSecret == kSecrets.tokenSecret ? 200 : 401);
    }
    SL::setAPIBase("");
}

// An HTTPS server with a certificate nobody trusts: openssl s_server on a free port of 127.0.0.1.
TEST(SocialTLS, AnUntrustedCertificateIsRefused) {
    if (std::system("command -v openssl >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no openssl program to serve TLS with";
    TemporaryRoot dir;
    std::string key = dir.path("/key.pem").string(), cert = dir.path("/cert.pem").string();
    ASSERT_EQ(
        std::system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                     "-subj /CN=127.0.0.1 -days 1 -keyout '" +
                     key + "' -out '" + cert + "' >/dev/null 2>&1")
                        .c_str()),
        0);
    // The shell says its process number, which the server takes over, and the server says
    // where it listens once it does.
    FILE* server = popen(("echo $$; exec openssl s_server -www -accept 127.0.0.1:0 -cert '" + cert +
                          "' -key '" + key + "' </dev/null 2>/dev/null")
                             .c_str(),
                         "re");
    ASSERT_TRUE(server);
    int pid = 0, port = 0;
    char line[256];
    if (std::fgets(line, sizeof line, server))
        pid = std::atoi(line);
    while (pid > 0 && !port && std::fgets(line, sizeof line, server))
        std::sscanf(line, "ACCEPT 127.0.0.1:%d", &port);
    Outcome outcome;
    if (port) {
        SL::setAPIBase("https://127.0.0.1:" + std::to_string(port));
        send(makeAccount().ptr(), outcome);
        SL::setAPIBase("");
    }
    if (pid > 0)
        kill(pid, SIGTERM);
    pclose(server);
    ASSERT_NE(port, 0);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), NS::URLErrorServerCertificateUntrusted);
    EXPECT_EQ(outcome.status, -1);
}

} // namespace
