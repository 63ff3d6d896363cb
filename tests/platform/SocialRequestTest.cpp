// SL::Request end to end: real requests to a local server on 127.0.0.1, signed as an
// account; misbehaving servers; the API base, availability and the transport seam.
#include "dispatch/Queue.h"
#include "objc/Runtime.h"
#include "social/Request.h"
#include "support/EventRecorder.h"
#include "support/FakeHTTPTransport.h"
#include "support/LocalHTTPServer.h"
#include "support/OAuthCheck.h"
#include "support/TemporaryRoot.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
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

using SocialRequestCreation = SocialRequest;

TEST_F(SocialRequestCreation, KeepsASnapshotOfTheParametersAndRefusesWhatItCannotSend) {
    auto params = NS::MutableDictionary::dictionary();
    params->setObjectForKey(NS::str("Quarvo"), "screen_name");
    auto url = NS::URL::URLWithString("https://api.twitter.com/1.1/x.json");
    auto twitter = NS::str(SL::SLServiceTypeTwitter);
    using SL::Request;
    auto r = Request::requestForServiceTypeRequestMethodURLParameters(twitter.ptr(), SL::POST,
                                                                      url.get(), params.ptr());
    ASSERT_TRUE(r);
    params->setObjectForKey(NS::str("changed"), "screen_name");
    EXPECT_EQ(r->parameters()->objectForKey("screen_name")->description(), "Quarvo");

    EXPECT_FALSE(Request::requestForServiceTypeRequestMethodURLParameters(
        NS::str("com.apple.social.facebook").ptr(), SL::GET, url.get(), nullptr));
    EXPECT_FALSE(Request::requestForServiceTypeRequestMethodURLParameters(twitter.ptr(), SL::GET,
                                                                          nullptr, nullptr));
    EXPECT_FALSE(Request::requestForServiceTypeRequestMethodURLParameters(
        twitter.ptr(), static_cast<SL::RequestMethod>(7), url.get(), nullptr));
    SL::setAvailable(false);
    EXPECT_FALSE(Request::requestForServiceTypeRequestMethodURLParameters(twitter.ptr(), SL::GET,
                                                                          url.get(), nullptr))
        << "where Social is missing there is no request";
}

using SocialRequestEndToEnd = SocialRequest;

TEST_F(SocialRequestEndToEnd, AFollowIsAFormPOSTSignedAsTheAccountAndReportedWithoutSecrets) {
    Outcome outcome;
    send(follow(account.ptr()), outcome);
    ASSERT_EQ(server.requests().size(), 1U);
    support::RecordedRequest got = server.requests()[0];
    EXPECT_EQ(got.method, "POST");
    EXPECT_EQ(got.target, "/1.1/friendships/create.json");
    EXPECT_EQ(got.header("Content-Type"), "application/x-www-form-urlencoded");
    SL::OAuth::Parameters form = SL::OAuth::parseForm(got.body);
    std::sort(form.begin(), form.end());
    EXPECT_EQ(form, (SL::OAuth::Parameters{{"follow", "FALSE"}, {"screen_name", "Quarvo"}}));

    support::OAuthCheck check = support::checkOAuthSignature(got, server.base(), kSecrets);
    EXPECT_TRUE(check.valid) << check.problem;
    EXPECT_EQ(check.protocol["oauth_consumer_key"], "consumer-key");
    EXPECT_EQ(check.protocol["oauth_token"], "1234-token");
    SL::OAuth::Credentials wrong = kSecrets;
    wrong.tokenSecret = "another-secret";
    EXPECT_FALSE(support::checkOAuthSignature(got, server.base(), wrong).valid)
        << "the signature depends on the account's secrets";

    auto sent = events.events("http");
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(device::jsonField(sent[0], "url"), server.base() + "/1.1/friendships/create.json");
    EXPECT_EQ(device::jsonField(sent[0], "params"),
              "{\"follow\":\"FALSE\",\"screen_name\":\"Quarvo\"}");
    EXPECT_EQ(device::jsonField(sent[0], "account"), "tapper");
    EXPECT_EQ(device::jsonField(sent[0], "status"), "200");
    for (const std::string& secret :
         {kSecrets.consumerKey, kSecrets.consumerSecret, kSecrets.token, kSecrets.tokenSecret})
        EXPECT_EQ(sent[0].find(secret), std::string::npos) << secret;
}

TEST_F(SocialRequestEndToEnd, GETCarriesTheParametersInTheQueryAndSignsThem) {
    auto r = request(SL::GET, "https://api.twitter.com/1.1/users/show.json?include_entities=true",
                     {{"screen_name", NS::str("Quarvo")}});
    r->setAccount(account.ptr());
    Outcome outcome;
    send(*r, outcome);
    ASSERT_EQ(server.requests().size(), 1U);
    auto got = server.requests()[0];
    EXPECT_EQ(got.method, "GET");
    EXPECT_EQ(got.target, "/1.1/users/show.json?include_entities=true&screen_name=Quarvo");
    EXPECT_TRUE(got.body.empty());
    auto check = support::checkOAuthSignature(got, server.base(), kSecrets);
    EXPECT_TRUE(check.valid) << check.problem;
}

TEST_F(SocialRequestEndToEnd, AnUnsignedRequestLivesUntilItsHandlerHasRunAndThenGoes) {
    objc::WeakPtr<SL::Request> weak;
    Outcome outcome;
    {
        auto r = follow(nullptr);
        weak = objc::WeakPtr<SL::Request>(r);
        r->performRequestWithHandler(outcome.handler());
    }
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(outcome.status, 200);
    EXPECT_FALSE(weak.get());
    ASSERT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(server.requests()[0].header("Authorization"), "") << "without an account";
    EXPECT_EQ(device::jsonField(events.events("http").at(0), "account"), "null");
}

TEST_F(SocialRequestEndToEnd, RequestsGoOutOneAtATimeInTheOrderPerformed) {
    std::vector<std::string> names = {"one", "two", "three", "four", "five"};
    std::vector<Outcome> outcomes(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        follow(account.ptr(), names[i].c_str())->performRequestWithHandler(outcomes[i].handler());
    for (auto& outcome : outcomes)
        ASSERT_TRUE(outcome.wait());
    std::vector<std::string> arrived;
    for (const auto& got : server.requests())
        arrived.push_back(SL::OAuth::parseForm(got.body).at(1).second);
    EXPECT_EQ(arrived, names);
}

TEST_F(SocialRequestEndToEnd, RequestsThatHangDoNotHoldUpOtherBackgroundWork) {
    server.setBehaviour(support::LocalHTTPServer::Behaviour::NoAnswer);
    SL::setTimeouts(200ms, 750ms);
    std::vector<Outcome> outcomes(4); // as many as the platform has workers, at most
    for (auto& outcome : outcomes)
        follow(account.ptr())->performRequestWithHandler(outcome.handler());
    std::mutex lock;
    std::condition_variable ran;
    std::optional<int> answeredBefore;
    dispatch::global([&] {
        int answered = 0;
        for (auto& outcome : outcomes) {
            std::lock_guard guard(outcome.lock);
            answered += outcome.calls;
        }
        std::lock_guard guard(lock);
        answeredBefore = answered;
        ran.notify_all();
    });
    {
        std::unique_lock guard(lock);
        ASSERT_TRUE(ran.wait_for(guard, kPatience, [&] { return answeredBefore.has_value(); }));
    }
    EXPECT_LT(*answeredBefore, 4) << "other work ran while requests were still waiting";
    for (auto& outcome : outcomes) {
        ASSERT_TRUE(outcome.wait());
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code(), NS::URLErrorTimedOut);
    }
}

using MisbehavingServer = SocialRequest;

TEST_F(MisbehavingServer, A500IsAResponseNotAnErrorGivenOnAWorkerThread) {
    server.answer(500, "oops");
    Outcome outcome;
    send(follow(account.ptr()), outcome);
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.status, 500);
    EXPECT_EQ(outcome.data, "oops");
    EXPECT_FALSE(outcome.error);
    EXPECT_FALSE(outcome.onMainThread);
    EXPECT_EQ(device::jsonField(events.events("http").at(0), "status"), "500");
}

TEST_F(MisbehavingServer, GarbageAClosedConnectionNoAnswerOrNoServerEndInAnError) {
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
        EXPECT_FALSE(outcome.data);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain()->str(), "NSURLErrorDomain");
        EXPECT_EQ(outcome.error->code(), c.code);
    }
    EXPECT_EQ(server.requests().size(), 3U) << "each request itself arrived";
    EXPECT_EQ(device::jsonField(events.events("http").at(0), "status"), "null");

    int port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(SL::setAPIBase("http://127.0.0.1:" + std::to_string(port)));
    Outcome outcome;
    send(follow(account.ptr()), outcome);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), NS::URLErrorCannotConnectToHost);
}

using SocialAPIBase = SocialRequest;

TEST_F(SocialAPIBase, IsABareSchemeHostAndPortThatReplaceOnlyThose) {
    auto r = request(SL::POST, "https://api.twitter.com:443/1.1/friendships/create.json?x=1#frag",
                     {{"screen_name", NS::str("Quarvo")}});
    Outcome outcome;
    send(*r, outcome);
    ASSERT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(server.requests()[0].target, "/1.1/friendships/create.json?x=1");

    EXPECT_TRUE(SL::setAPIBase("http://127.0.0.1:8080/"));
    EXPECT_EQ(SL::apiBase(), "http://127.0.0.1:8080");
    EXPECT_FALSE(SL::setAPIBase("ftp://127.0.0.1"));
    EXPECT_FALSE(SL::setAPIBase("http://127.0.0.1/1.1"));
    EXPECT_EQ(SL::apiBase(), "http://127.0.0.1:8080") << "a refused base changes nothing";
    EXPECT_TRUE(SL::setAPIBase(""));
    if (!std::getenv("TAPSONATA_TWITTER_API")) {
        EXPECT_EQ(SL::apiBase(), "https://api.twitter.com");
    }
}

TEST_F(SocialAPIBase, TheEnvironmentPointsRequestsElsewhereWhenNothingIsSet) {
    const char* before = std::getenv("TAPSONATA_TWITTER_API");
    std::optional<std::string> saved = before ? std::optional<std::string>(before) : std::nullopt;
    SL::setAPIBase("");
    ::setenv("TAPSONATA_TWITTER_API", server.base().c_str(), 1);
    EXPECT_EQ(SL::apiBase(), server.base());
    Outcome outcome;
    send(follow(account.ptr()), outcome);
    EXPECT_EQ(server.requests().size(), 1U);
    ::setenv("TAPSONATA_TWITTER_API", "not a base", 1);
    EXPECT_EQ(SL::apiBase(), "https://api.twitter.com") << "an unusable value is ignored";
    if (saved)
        ::setenv("TAPSONATA_TWITTER_API", saved->c_str(), 1);
    else
        ::unsetenv("TAPSONATA_TWITTER_API");
}

TEST(SocialTransport, TheTransportSeamSeesTheWholeRequestAndBoundedTimeouts) {
    support::ScopedFakeHTTPTransport transport;
    SL::setTimeouts(5min, 1h);
    auto account = makeAccount();
    Outcome outcome;
    follow(account.ptr())->performRequestWithHandler(outcome.handler());
    ASSERT_TRUE(outcome.wait());
    SL::setTimeouts(10s, 30s);
    auto sent = transport->requests();
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].url, SL::apiBase() + "/1.1/friendships/create.json");
    EXPECT_EQ(sent[0].body, "follow=FALSE&screen_name=Quarvo");
    EXPECT_EQ(sent[0].connectTimeout, 10s);
    EXPECT_EQ(sent[0].totalTimeout, 30s);
    bool signedRequest = false;
    for (const auto& [name, value] : sent[0].headers)
        signedRequest |= name == "Authorization" && value.rfind("OAuth ", 0) == 0;
    EXPECT_TRUE(signedRequest);
    EXPECT_EQ(outcome.status, 200);
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
    // A free port, then the server on it.
    int port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string accept = "127.0.0.1:" + std::to_string(port);
    const char* argv[] = {"openssl", "s_server",   "-quiet", "-www",      "-accept", accept.c_str(),
                          "-cert",   cert.c_str(), "-key",   key.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int spawned =
        posix_spawnp(&pid, "openssl", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
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
