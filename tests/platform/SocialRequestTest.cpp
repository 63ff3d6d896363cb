// SL::Request end to end: real requests to a local server on 127.0.0.1, signed as an
// account lives through its handler; misbehaving servers end in errors; TLS refusal.
#include "dispatch/Queue.h"
#include "objc/Runtime.h"
#include "social/OAuth.h"
#include "social/Request.h"
#include "support/EventRecorder.h"
#include "support/LocalHTTPServer.h"
#include "support/TemporaryRoot.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using objc::Ref;
using objc::RefPtr;

constexpr auto kPatience = 30s; // never reached unless something hangs
const SL::OAuth::Credentials kSecrets{"consumer-key", "consumer-secret", "1234-token",
                                      "token-secret"};

// What a request's handler received.
struct Outcome {
    std::mutex lock;
    std::condition_variable arrived;
    int calls = 0;
    std::optional<std::string> data;
    long status = -1; // -1: no response
    RefPtr<NS::Error> error;
    bool onMainThread = true;

    SL::RequestHandler handler() {
        return [this](NS::Data* d, NS::HTTPURLResponse* r, NS::Error* e) {
            std::lock_guard guard(lock);
            ++calls;
            if (d)
                data = d->bytes();
            status = r ? r->statusCode() : -1;
            error = e;
            onMainThread = dispatch::isMainThread();
            arrived.notify_all();
        };
    }
    bool wait() {
        std::unique_lock guard(lock);
        bool called = arrived.wait_for(guard, kPatience, [this] { return calls > 0; });
        guard.unlock();
        return called && dispatch::waitUntilIdle(kPatience);
    }
};

// A port on 127.0.0.1 that was free a moment ago; 0 when none could be found.
int freeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

Ref<AC::Account> makeAccount(const char* name = "tapper") {
    auto type = AC::AccountType::typeWithIdentifier(AC::ACAccountTypeIdentifierTwitter);
    return AC::Account::initWithAccountType(
        *type, NS::str(name),
        {kSecrets.consumerKey, kSecrets.consumerSecret, kSecrets.token, kSecrets.tokenSecret});
}

RefPtr<SL::Request> request(SL::RequestMethod method, const char* url,
                            NS::Dictionary::Entries params) {
    return SL::Request::requestForServiceTypeRequestMethodURLParameters(
        NS::str(SL::SLServiceTypeTwitter).ptr(), method, NS::URL::URLWithString(url).get(),
        NS::Dictionary::dictionary(std::move(params)).ptr());
}

Ref<SL::Request> follow(AC::Account* account, const char* screenName = "Quarvo") {
    auto r = request(SL::POST, "https://api.twitter.com/1.1/friendships/create.json",
                     {{"screen_name", NS::str(screenName)}, {"follow", NS::str("FALSE")}});
    r->setAccount(account);
    return r.releaseNonNull();
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
        SL::setAvailable(true);
    }
    // Sends and waits for the handler.
    void send(SL::Request& r, Outcome& outcome) {
        r.performRequestWithHandler(outcome.handler());
        ASSERT_TRUE(outcome.wait());
    }

    support::LocalHTTPServer server;
    support::EventRecorder events;
    Ref<AC::Account> account = makeAccount();
};

using SocialRequestEndToEnd = SocialRequest;

TEST_F(SocialRequestEndToEnd,
       ARequestLivesUntilItsHandlerRanAndNeitherItNorItsAccountShowsSecrets) {
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
    shown.push_back({NS::String::stringWithFormat("%@", account)->str()});
    for (const auto& [line] : shown)
        for (const std::string& secret :
             {kSecrets.consumerKey, kSecrets.consumerSecret, kSecrets.token, kSecrets.tokenSecret})
            EXPECT_EQ(line.find(secret), std::string::npos) << secret;
    EXPECT_EQ(events.events("http").size(), 2U);
}

using MisbehavingServer = SocialRequest;

TEST_F(MisbehavingServer, GarbageAClosedConnectionOrNoAnswerEndInAnError) {
    SL::setTimeouts(200ms, 300ms);
    using Behaviour = support::LocalHTTPServer::Behaviour;
    const struct {
        Behaviour behaviour;
        long code;
    } cases[] = {{Behaviour::Garbage, NS::URLErrorBadServerResponse},
                 {Behaviour::Close, NS::URLErrorNetworkConnectionLost},
                 {Behaviour::NoAnswer, NS::URLErrorTimedOut}};
    for (const auto& c : cases) {
        server.setBehaviour(c.behaviour);
        Outcome outcome;
        send(follow(account.ptr()), outcome);
        EXPECT_EQ(outcome.status, -1);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code(), c.code);
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
        follow(makeAccount().ptr())->performRequestWithHandler(outcome.handler());
        ASSERT_TRUE(outcome.wait());
        EXPECT_EQ(outcome.status, known.tokenSecret == kSecrets.tokenSecret ? 200 : 401);
    }
    SL::setAPIBase("");
}

// An HTTPS server with a certificate nobody trusts: openssl s_server on 127.0.0.1.
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
    int port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string accept = "127.0.0.1:" + std::to_string(port);
    std::string command = "exec openssl s_server -quiet -www -accept " + accept + " -cert '" +
                          cert + "' -key '" + key + "' </dev/null >/dev/null 2>&1";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool listening = false;
    while (!listening && std::chrono::steady_clock::now() < deadline) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        listening = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (!listening)
            std::this_thread::sleep_for(20ms);
    }

    SL::setAPIBase("https://" + accept);
    Outcome outcome;
    follow(makeAccount().ptr())->performRequestWithHandler(outcome.handler());
    bool answered = outcome.wait();
    SL::setAPIBase("");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    ASSERT_TRUE(listening);
    ASSERT_TRUE(answered);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), NS::URLErrorServerCertificateUntrusted);
    EXPECT_EQ(outcome.status, -1);
}

} // namespace
