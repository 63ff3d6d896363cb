#include "kit/FollowDecisions.h"

#include <gtest/gtest.h>

namespace {

using kit::AccessOutcome;

TEST(FollowDecisions, InvitationTextsOrderAndTag) {
    kit::AlertDescription a = kit::invitationAlert(std::string("Tapsonata"), std::string("Hi"));
    EXPECT_EQ(a.title, "Tapsonata");
    EXPECT_EQ(a.message, "Hi");
    EXPECT_EQ(a.cancelButton, "No thanks!");
    EXPECT_EQ(a.otherButtons, std::vector<std::string>{"I'd love to!"});
    EXPECT_TRUE(a.delegateIsHandler);
    EXPECT_EQ(a.tag, 1);
}

TEST(FollowDecisions, MessageAbsentGetsTheDefaultButEmptyStaysEmptyAndTitleMayBeAbsent) {
    kit::AlertDescription absent = kit::invitationAlert(std::nullopt, std::nullopt);
    EXPECT_EQ(absent.title, std::nullopt);
    EXPECT_EQ(
        absent.message,
        "Hey there! Thanks for installing my tweak! If you'd like to follow me on Twitter for "
        "more updates, tweak giveaways and other cool stuff, hit the button below!");
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::string()).message, "");
}

TEST(FollowDecisions, ConfirmationsAndChooser) {
    kit::AlertDescription single = kit::singleAccountConfirmation();
    EXPECT_EQ(single.title, "Done <3");
    EXPECT_EQ(single.message, "Awesome. Thanks for following me ^-^");
    EXPECT_EQ(single.cancelButton, std::nullopt);
    EXPECT_EQ(single.otherButtons, std::vector<std::string>{"You're welcome <3"});
    EXPECT_FALSE(single.delegateIsHandler);
    EXPECT_EQ(single.tag, std::nullopt);

    kit::AlertDescription chooser = kit::accountChooser({"alice", "bob"});
    EXPECT_EQ(chooser.title, std::nullopt);
    EXPECT_EQ(chooser.message,
              "Looks like you have multiple Twitter accounts on this device. Which "
              "one would you like to use?");
    EXPECT_EQ(chooser.cancelButton, "All!");
    EXPECT_EQ(chooser.otherButtons, (std::vector<std::string>{"alice", "bob"}));
    EXPECT_TRUE(chooser.delegateIsHandler);
    EXPECT_EQ(chooser.tag, 2);

    kit::AlertDescription done = kit::chooserConfirmation();
    EXPECT_EQ(done.title, "Done <3");
    EXPECT_EQ(done.message, "Just moving around a few things aaaaaand..... hah! Just kidding. "
                            "Thanks for following me. Enjoy the tweak! :)");
    EXPECT_EQ(done.otherButtons, std::vector<std::string>{"Will do!"});
    EXPECT_EQ(done.tag, std::nullopt);
}

TEST(FollowDecisions, ClickOnEveryTagAndIndex) {
    EXPECT_TRUE(kit::decideClick(1, 1, 0).askForAccess);
    for (long index : {-1L, 0L, 2L}) {
        kit::ClickDecision d = kit::decideClick(1, index, 3);
        EXPECT_FALSE(d.askForAccess);
        EXPECT_TRUE(d.follow.empty());
        EXPECT_FALSE(d.showChooserConfirmation);
    }
    for (long tag : {0L, 3L, -1L}) {
        for (long index : {0L, 1L, 2L}) {
            kit::ClickDecision d = kit::decideClick(tag, index, 2);
            EXPECT_FALSE(d.askForAccess || d.showChooserConfirmation || !d.follow.empty());
        }
    }

    kit::ClickDecision all = kit::decideClick(2, 0, 3);
    EXPECT_EQ(all.follow, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(all.showChooserConfirmation);
    EXPECT_FALSE(all.askForAccess);

    EXPECT_EQ(kit::decideClick(2, 2, 2).follow, std::vector<std::size_t>{1});
    EXPECT_EQ(kit::decideClick(2, 1, 2).follow, std::vector<std::size_t>{0});
    EXPECT_TRUE(kit::decideClick(2, 2, 2).showChooserConfirmation);
    // A tap the chooser cannot have made follows no one, and never reads past the list.
    EXPECT_TRUE(kit::decideClick(2, 3, 2).follow.empty());
}

TEST(FollowDecisions, AccessRefusedAndZeroOneTwoAccounts) {
    EXPECT_EQ(kit::decideAccess(false, 0), AccessOutcome::Nothing);
    EXPECT_EQ(kit::decideAccess(false, 2), AccessOutcome::Nothing);
    EXPECT_EQ(kit::decideAccess(true, 0), AccessOutcome::OpenProfile);
    EXPECT_EQ(kit::decideAccess(true, 1), AccessOutcome::FollowTheOnlyAccount);
    EXPECT_EQ(kit::decideAccess(true, 2), AccessOutcome::ShowChooser);
    EXPECT_EQ(kit::decideAccess(true, 5), AccessOutcome::ShowChooser);
}

TEST(FollowDecisions, TheRequestFollowsTheHandleNotTheAccount) {
    kit::FollowRequest r = kit::followRequest(std::string("Quarvo"));
    EXPECT_EQ(r.serviceType, "com.apple.social.twitter");
    EXPECT_EQ(r.method, 1);
    EXPECT_EQ(r.url, "https://api.twitter.com/1.1/friendships/create.json");
    EXPECT_EQ(r.parameters,
              (std::map<std::string, std::string>{{"screen_name", "Quarvo"}, {"follow", "FALSE"}}));
}

TEST(FollowDecisions, ProfileProbesRunInOrderAndStopAtTheFirstClient) {
    std::vector<std::string> asked;
    auto installed = [&](std::vector<std::string> schemes) {
        return [&asked, schemes](const std::string& probe) {
            asked.push_back(probe);
            return std::find(schemes.begin(), schemes.end(), probe) != schemes.end();
        };
    };

    EXPECT_EQ(kit::profileURL("Quarvo", installed({})), "http://twitter.com/Quarvo");
    EXPECT_EQ(asked,
              (std::vector<std::string>{"tweetbot:", "twitterrific:", "tweetings:", "twitter:"}));

    asked.clear();
    EXPECT_EQ(kit::profileURL("Quarvo", installed({"tweetbot:", "twitter:"})),
              "tweetbot:///user_profile/Quarvo");
    EXPECT_EQ(asked, std::vector<std::string>{"tweetbot:"});

    asked.clear();
    EXPECT_EQ(kit::profileURL("Quarvo", installed({"twitter:"})),
              "twitter://user?screen_name=Quarvo");
    EXPECT_EQ(asked.size(), 4u);

    EXPECT_EQ(kit::profileURL("Q", installed({"twitterrific:"})),
              "twitterrific:///profile?screen_name=Q");
    EXPECT_EQ(kit::profileURL("Q", installed({"tweetings:"})), "tweetings:///user?screen_name=Q");
    EXPECT_EQ(kit::profileURL("", installed({"tweetbot:"})), "tweetbot:///user_profile/");
}

} // namespace
