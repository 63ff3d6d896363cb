// The first unlock of a simulated device: the invitation, and every answer to it, with the
// follow requests going to a local server that checks them as the service would.
#include "SimDevice.h"
#include "social/OAuth.h"
#include "support/LocalHTTPServer.h"
#include "support/OAuthCheck.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace e2e {
namespace {

const std::string kInvitationMessage =
    "Hey there! Thanks for using Tapsonata! If you'd like to follow @Quarvo on Twitter for more "
    "updates, tweak giveaways and other cool stuff, hit the button below!";
const std::string kSettingsPath = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

SL::OAuth::Credentials credentialsOf(const std::string& account) {
    return {"consumer-key", "consumer-secret", "token-" + account, "token-secret-" + account};
}

// A follow request as the service expects it, sent as `account`.
void expectFollow(const support::RecordedRequest& request, const std::string& base,
                  const std::string& account) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path(), "/1.1/friendships/create.json");
    SL::OAuth::Parameters form = SL::OAuth::parseForm(request.body);
    std::sort(form.begin(), form.end());
    EXPECT_EQ(form, (SL::OAuth::Parameters{{"follow", "FALSE"}, {"screen_name", "Quarvo"}}));
    support::OAuthCheck check = support::checkOAuthSignature(request, base, credentialsOf(account));
    EXPECT_TRUE(check.valid) << check.problem;
}

std::vector<std::string> alertTitles(const std::vector<Event>& alerts) {
    std::vector<std::string> titles;
    titles.reserve(alerts.size());
    for (const Event& a : alerts)
        titles.push_back(a.str("title"));
    return titles;
}

TEST(FirstUnlock, ShowsTheInvitationAndStoresThatItDid) {
    SimDevice device({"--enabled"});
    SimResult r = device.run({"unlock"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> alerts = device.events("alert", "springboard");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].str("tag"), "1");
    EXPECT_EQ(alerts[0].str("title"), "Tapsonata");
    EXPECT_EQ(alerts[0].str("message"), kInvitationMessage);
    EXPECT_EQ(alerts[0].str("buttons"), jsonArray({"No thanks!", "I'd love to!"}));
    std::vector<Event> writes = device.events("prefs_write");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].str("domain"), "com.quarvo.tapsonata");
    EXPECT_EQ(writes[0].str("key"), "firstUse");
    EXPECT_EQ(writes[0].str("value"), "false");
    // The unlock itself still completes.
    EXPECT_EQ(device.events("unlock").size(), 1u);
    // The box a person sees.
    EXPECT_NE(r.out.find("[1] I'd love to!"), std::string::npos) << r.out;

    std::ifstream in(device.root() / std::filesystem::path(kSettingsPath).relative_path());
    std::stringstream stored;
    stored << in.rdbuf();
    EXPECT_NE(stored.str().find("<key>firstUse</key>"), std::string::npos) << stored.str();
    EXPECT_NE(stored.str().find("<false/>"), std::string::npos) << stored.str();
}

TEST(FirstUnlock, IsShownOnceInAProcessAndNeverAgainAfterARelaunch) {
    SimDevice device({"--enabled"});
    ASSERT_EQ(device.run({"unlock", "tap", "0", "unlock", "relaunch", "unlock"}).exitCode, 0);
    EXPECT_EQ(device.events("alert").size(), 1u);
    EXPECT_EQ(device.events("unlock").size(), 3u);
    EXPECT_EQ(device.events("loaded", "springboard").size(), 2u) << "two SpringBoard processes";
    // A later run is another SpringBoard again: still nothing.
    ASSERT_EQ(device.run({"unlock"}).exitCode, 0);
    EXPECT_TRUE(device.events("alert").empty());
    EXPECT_TRUE(device.events("prefs_write").empty());
}

TEST(FirstUnlock, NoThanksDoesNothingMore) {
    SimDevice device({"--enabled", "--accounts", "alice", "--access", "grant"});
    support::LocalHTTPServer server;
    ASSERT_EQ(device.run({"--api", server.base(), "unlock", "tap", "0", "wait"}).exitCode, 0);
    EXPECT_EQ(device.events("tap").size(), 1u);
    EXPECT_EQ(device.events("alert").size(), 1u);
    EXPECT_TRUE(device.events("accounts_access").empty());
    EXPECT_TRUE(device.events("http").empty());
    EXPECT_TRUE(device.events("open_url").empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST(FirstUnlock, WithNoAccountTheProfileOpensOnTheWeb) {
    SimDevice device({"--enabled", "--access", "grant"});
    ASSERT_EQ(device.run({"unlock", "tap", "1", "wait"}).exitCode, 0);
    std::vector<Event> access = device.events("accounts_access");
    ASSERT_EQ(access.size(), 1u);
    EXPECT_EQ(access[0].str("granted"), "true");
    std::vector<Event> opened = device.events("open_url");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].str("url"), "http://twitter.com/Quarvo");
    EXPECT_EQ(device.events("can_open_url").size(), 4u) << "every client is asked for first";
    EXPECT_EQ(device.events("alert").size(), 1u) << "no alert besides the invitation";
    EXPECT_TRUE(device.events("http").empty());
}

TEST(FirstUnlock, WithNoAccountTheProfileOpensInAnInstalledClient) {
    SimDevice device({"--enabled", "--access", "grant", "--installed", "twitter"});
    ASSERT_EQ(device.run({"unlock", "tap", "1", "wait"}).exitCode, 0);
    std::vector<Event> opened = device.events("open_url");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].str("url"), "twitter://user?screen_name=Quarvo");
}

TEST(FirstUnlock, WithOneAccountFollowsFromItAndSaysThanks) {
    SimDevice device({"--enabled", "--accounts", "alice", "--access", "grant"});
    support::LocalHTTPServer server;
    SimResult r = device.run({"--api", server.base(), "unlock", "tap", "1", "wait"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<support::RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    expectFollow(requests[0], server.base(), "alice");

    std::vector<Event> http = device.events("http");
    ASSERT_EQ(http.size(), 1u);
    EXPECT_EQ(http[0].str("account"), "alice");
    EXPECT_EQ(http[0].str("status"), "200");
    std::vector<Event> alerts = device.events("alert");
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1].str("title"), "Done <3");
    EXPECT_EQ(alerts[1].str("message"), "Awesome. Thanks for following me ^-^");
    EXPECT_EQ(alerts[1].str("buttons"), jsonArray({"You're welcome <3"}));
}

TEST(FirstUnlock, TheThanksComeEvenWhenTheServiceFails) {
    SimDevice device({"--enabled", "--accounts", "alice", "--access", "grant"});
    support::LocalHTTPServer server;
    server.answer(500, "oops");
    ASSERT_EQ(device.run({"--api", server.base(), "unlock", "tap", "1", "wait"}).exitCode, 0);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(alertTitles(device.events("alert")),
              (std::vector<std::string>{"Tapsonata", "Done <3"}));
    EXPECT_EQ(device.events("http")[0].str("status"), "500");
}

TEST(FirstUnlock, WithTwoAccountsAllFollowFromEachInOrder) {
    SimDevice device({"--enabled", "--accounts", "alice,bob", "--access", "grant"});
    support::LocalHTTPServer server;
    ASSERT_EQ(device.run({"--api", server.base(), "unlock", "tap", "1", "wait", "tap", "0", "wait"})
                  .exitCode,
              0);
    std::vector<Event> alerts = device.events("alert");
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_EQ(alerts[1].str("tag"), "2");
    EXPECT_EQ(alerts[1].str("title"), "null");
    EXPECT_EQ(alerts[1].str("message"), "Looks like you have multiple Twitter accounts on this "
                                        "device. Which one would you like to use?");
    EXPECT_EQ(alerts[1].str("buttons"), jsonArray({"All!", "alice", "bob"}));
    EXPECT_EQ(alerts[2].str("title"), "Done <3");
    EXPECT_EQ(alerts[2].str("message"),
              "Just moving around a few things aaaaaand..... hah! Just kidding. Thanks for "
              "following me. Enjoy the tweak! :)");
    EXPECT_EQ(alerts[2].str("buttons"), jsonArray({"Will do!"}));

    ASSERT_TRUE(server.waitForRequests(2, std::chrono::seconds(10)));
    std::vector<support::RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    expectFollow(requests[0], server.base(), "alice");
    expectFollow(requests[1], server.base(), "bob");
}

TEST(FirstUnlock, WithTwoAccountsTheChosenOneFollows) {
    SimDevice device({"--enabled", "--accounts", "alice,bob", "--access", "grant"});
    support::LocalHTTPServer server;
    ASSERT_EQ(device.run({"--api", server.base(), "unlock", "tap", "1", "wait", "tap", "2", "wait"})
                  .exitCode,
              0);
    std::vector<support::RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    expectFollow(requests[0], server.base(), "bob");
}

TEST(FirstUnlock, AccessRefusedEndsTheFlowQuietly) {
    SimDevice device({"--enabled", "--accounts", "alice", "--access", "deny"});
    support::LocalHTTPServer server;
    ASSERT_EQ(device.run({"--api", server.base(), "unlock", "tap", "1", "wait"}).exitCode, 0);
    std::vector<Event> access = device.events("accounts_access");
    ASSERT_EQ(access.size(), 1u);
    EXPECT_EQ(access[0].str("granted"), "false");
    EXPECT_EQ(device.events("alert").size(), 1u);
    EXPECT_TRUE(device.events("open_url").empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST(FirstUnlock, TheSimulatorsOwnApiStandInTakesTheFollow) {
    SimDevice device({"--enabled", "--accounts", "alice", "--access", "grant"});
    SimResult r = device.run({"--api", "local", "unlock", "tap", "1", "wait"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> api = device.events("api", "api");
    ASSERT_EQ(api.size(), 1u);
    EXPECT_EQ(api[0].str("method"), "POST");
    EXPECT_EQ(api[0].str("path"), "/1.1/friendships/create.json");
    EXPECT_EQ(api[0].str("params"), R"({"follow":"FALSE","screen_name":"Quarvo"})");
    EXPECT_EQ(api[0].str("account"), "alice");
    EXPECT_EQ(device.events("http")[0].str("status"), "200");
}

} // namespace
} // namespace e2e
