// The first unlock of a simulated device: the invitation, and every answer to it, with the
// follow requests going to the simulator's stand-in for the service, which checks their
// signatures as the service does.
#include "SimDevice.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace e2e {
namespace {

const std::string kInvitationMessage =
    "Hey there! Thanks for using Tapsonata! If you'd like to follow @Quarvo on Twitter for more "
    "updates, tweak giveaways and other cool stuff, hit the button below!";

// One answer to the invitation, on one device: the alerts that follow, the accounts that
// follow (in order, each request signed as that account) and the URL opened. Whatever the
// answer, the invitation is stored as shown and never shows again: not later in that process,
// nor in a new SpringBoard.
struct Answer {
    std::string name;
    std::vector<std::string> init;
    std::vector<std::string> taps; // the invitation's button, then the next alert's
    std::vector<std::string> alertTitles;
    std::string lastMessage;
    std::vector<std::string> followers;
    Strings opened;
    friend void PrintTo(const Answer& row, std::ostream* os) { *os << row.name; }
};

const std::string kOneThanks = "Awesome. Thanks for following me ^-^";
const std::string kAllThanks = "Just moving around a few things aaaaaand..... hah! Just kidding. "
                               "Thanks for following me. Enjoy the tweak! :)";
const std::string kWhich = "Looks like you have multiple Twitter accounts on this device. Which "
                           "one would you like to use?";
const std::vector<std::string> kAlice = {"--accounts", "alice", "--access", "grant"};
const std::vector<std::string> kTwo = {"--accounts", "alice,bob", "--access", "grant"};

const Answer kAnswers[] = {
    // clang-format off
    {"NoAccountOpensAnInstalledClient", {"--access", "grant", "--installed", "twitter"}, {"1"},
     {"Tapsonata"}, kInvitationMessage, {}, {"twitter://user?screen_name=Quarvo"}},
    {"AccessRefusedEndsQuietly", {"--accounts", "alice", "--access", "deny"}, {"1"},
     {"Tapsonata"}, kInvitationMessage, {}, {}},
    {"OneAccountFollows", kAlice, {"1"}, {"Tapsonata", "Done <3"}, kOneThanks, {"alice"}, {}},
    {"TwoAccountsAllFollowInOrder", kTwo, {"1", "0"}, {"Tapsonata", "null", "Done <3"},
     kAllThanks, {"alice", "bob"}, {}},
    {"TwoAccountsTheChosenFollows", kTwo, {"1", "2"}, {"Tapsonata", "null", "Done <3"},
     kAllThanks, {"bob"}, {}},
    // clang-format on
};

class EachAnswer : public testing::TestWithParam<Answer> {};

TEST_P(EachAnswer, ShowsOnceAndLeadsToItsAlertsFollowsAndURL) {
    const Answer& a = GetParam();
    std::vector<std::string> init = a.init;
    init.emplace_back("--enabled");
    SimDevice device(init);
    std::vector<std::string> args = {"--api", "local", "unlock"};
    for (const std::string& tap : a.taps)
        args.insert(args.end(), {"tap", tap, "wait"});
    args.insert(args.end(), {"unlock", "relaunch", "unlock"});
    SimResult r = device.run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<Event> alerts = device.events("alert");
    EXPECT_EQ(values(alerts, "title"), a.alertTitles);
    EXPECT_EQ(alerts[0].line,
              R"({"event":"alert","tag":1,"title":"Tapsonata","message":")" + kInvitationMessage +
                  R"(","buttons":["No thanks!","I'd love to!"],"process":"springboard"})");
    EXPECT_NE(r.out.find("[1] I'd love to!"), std::string::npos) << "the box a person sees";
    EXPECT_EQ(alerts.back().str("message"), a.lastMessage);
    if (a.taps.size() > 1) {
        EXPECT_EQ(alerts[1].str("message"), kWhich);
    }
    std::vector<Event> writes = device.events("prefs_write");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].str("domain") + " " + writes[0].str("key") + "=" + writes[0].str("value"),
              "com.quarvo.tapsonata firstUse=false");
    EXPECT_EQ(device.events("unlock").size(), 3u) << "the unlocks themselves complete";
    EXPECT_EQ(device.events("loaded", "springboard").size(), 2u) << "two SpringBoard processes";

    // Each follow as the service takes it, signed as its account, then as the device saw it;
    // the stand-in's line comes before the line of the process that reads its answer.
    std::vector<Event> all = device.events();
    Strings followers;
    for (auto api = all.begin(); api != all.end(); ++api) {
        if (api->name() != "api")
            continue;
        EXPECT_EQ(api->str("method") + " " + api->str("path") + " " + api->str("params"),
                  R"(POST /1.1/friendships/create.json {"follow":"FALSE","screen_name":"Quarvo"})");
        EXPECT_EQ(api->str("status"), "200") << "the signature verifies";
        followers.push_back(api->str("account"));
        EXPECT_NE(std::find_if(api, all.end(), [](const Event& e) { return e.name() == "http"; }),
                  all.end());
    }
    EXPECT_EQ(followers, a.followers);
    EXPECT_EQ(values(device.events("http"), "status"), Strings(a.followers.size(), "200"));
    EXPECT_EQ(values(device.events("open_url"), "url"), a.opened);
}

INSTANTIATE_TEST_SUITE_P(FirstUnlock, EachAnswer, testing::ValuesIn(kAnswers),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace e2e
