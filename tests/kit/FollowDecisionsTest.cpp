// The follow flow's decisions as plain functions. The flow's tests check that the alerts on
// screen are these descriptions; the texts themselves are checked here, once.
#include "kit/FollowDecisions.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;
using Positions = std::vector<std::size_t>;

TEST(FollowDecisions, TheFourAlerts) {
    struct Row {
        const char* name;
        kit::AlertDescription actual, expected;
    } rows[] = {
        {"invitation",
         kit::invitationAlert(std::string("T"), std::string("Hi")),
         {"T", "Hi", "No thanks!", {"I'd love to!"}, true, 1}},
        {"invitation, message absent",
         kit::invitationAlert(std::nullopt, std::nullopt),
         {std::nullopt,
          "Hey there! Thanks for installing my tweak! If you'd like to follow me on Twitter for "
          "more updates, tweak giveaways and other cool stuff, hit the button below!",
          "No thanks!",
          {"I'd love to!"},
          true,
          1}},
        {"invitation, message empty",
         kit::invitationAlert(std::nullopt, std::string()),
         {std::nullopt, "", "No thanks!", {"I'd love to!"}, true, 1}},
        {"single-account thanks",
         kit::singleAccountConfirmation(),
         {"Done <3",
          "Awesome. Thanks for following me ^-^",
          std::nullopt,
          {"You're welcome <3"},
          false,
          std::nullopt}},
        {"chooser",
         kit::accountChooser({"alice", "bob"}),
         {std::nullopt,
          "Looks like you have multiple Twitter accounts on this device. Which one would you "
          "like to use?",
          "All!",
          {"alice", "bob"},
          true,
          2}},
        {"chooser thanks",
         kit::chooserConfirmation(),
         {"Done <3",
          "Just moving around a few things aaaaaand..... hah! Just kidding. Thanks for following "
          "me. Enjoy the tweak! :)",
          std::nullopt,
          {"Will do!"},
          false,
          std::nullopt}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.actual.title, row.expected.title);
        EXPECT_EQ(row.actual.message, row.expected.message);
        EXPECT_EQ(row.actual.cancelButton, row.expected.cancelButton);
        EXPECT_EQ(row.actual.otherButtons, row.expected.otherButtons);
        EXPECT_EQ(row.actual.delegateIsHandler, row.expected.delegateIsHandler);
        EXPECT_EQ(row.actual.tag, row.expected.tag);
    }
}

TEST(FollowDecisions, WhatATapMeans) {
    struct Row {
        const char* name;
        long tag, index;
        std::size_t accounts;
        bool handle, askForAccess;
        Positions follow;
        bool thanks;
    } rows[] = {
        {"I'd love to", 1, 1, 0, true, true, {}, false},
        {"I'd love to, no handle", 1, 1, 0, false, false, {}, false},
        {"No thanks", 1, 0, 3, true, false, {}, false},
        {"invitation, no such button", 1, 2, 3, true, false, {}, false},
        {"untagged alert", 0, 1, 2, true, false, {}, false},
        {"unknown tag", 3, 0, 2, true, false, {}, false},
        {"All", 2, 0, 3, true, false, {0, 1, 2}, true},
        {"first account", 2, 1, 2, true, false, {0}, true},
        {"second account", 2, 2, 2, true, false, {1}, true},
        {"past the list", 2, 3, 2, true, false, {}, false},
        {"negative index", 2, -1, 2, true, false, {}, false},
        {"All, list lost", 2, 0, 0, true, false, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        kit::ClickDecision d = kit::decideClick(row.tag, row.index, row.accounts, row.handle);
        EXPECT_EQ(d.askForAccess, row.askForAccess);
        EXPECT_EQ(d.follow, row.follow);
        EXPECT_EQ(d.showChooserConfirmation, row.thanks);
    }
}

TEST(FollowDecisions, WhatTheAccessAnswerLeadsToAndTheRequest) {
    using enum kit::AccessOutcome;
    EXPECT_EQ(kit::decideAccess(false, 2), Nothing);
    EXPECT_EQ(kit::decideAccess(true, 0), OpenProfile);
    EXPECT_EQ(kit::decideAccess(true, 1), FollowTheOnlyAccount);
    EXPECT_EQ(kit::decideAccess(true, 2), ShowChooser);
    EXPECT_EQ(kit::decideAccess(true, 5), ShowChooser);

    kit::FollowRequest r = kit::followRequest(std::string("Quarvo"));
    EXPECT_EQ(r.serviceType, "com.apple.social.twitter");
    EXPECT_EQ(r.method, 1);
    EXPECT_EQ(r.url, "https://api.twitter.com/1.1/friendships/create.json");
    EXPECT_EQ(r.parameters,
              (std::map<std::string, std::string>{{"screen_name", "Quarvo"}, {"follow", "FALSE"}}));
}

} // namespace
