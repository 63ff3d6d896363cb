#include "kit/QVKit.h"
#include "support/FakeURLOpener.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(TwitterProfile, ProbesInOrderAndOpensExactlyOne) {
    support::ScopedFakeURLOpener none;
    QVOpenTwitterUsername(NS::str("Quarvo").ptr());
    EXPECT_EQ(none->probes(), (Strings{"tweetbot:", "twitterrific:", "tweetings:", "twitter:"}));
    EXPECT_EQ(none->opened(), Strings{"http://twitter.com/Quarvo"});
}

TEST(TwitterProfile, TheFirstInstalledClientWinsAndLaterOnesAreNotProbed) {
    support::ScopedFakeURLOpener both({"tweetbot", "twitter"});
    QVOpenTwitterUsername(NS::str("Quarvo").ptr());
    EXPECT_EQ(both->probes(), Strings{"tweetbot:"});
    EXPECT_EQ(both->opened(), Strings{"tweetbot:///user_profile/Quarvo"});
}

TEST(TwitterProfile, OnlyTheFourthClient) {
    support::ScopedFakeURLOpener fourth({"twitter"});
    QVOpenTwitterUsername(NS::str("Quarvo").ptr());
    EXPECT_EQ(fourth->probes().size(), 4u);
    EXPECT_EQ(fourth->opened(), Strings{"twitter://user?screen_name=Quarvo"});
}

TEST(TwitterProfile, AHandleThatCannotFormAURLOpensNothing) {
    support::ScopedFakeURLOpener opener({"tweetbot"});
    QVOpenTwitterUsername(NS::str("Quar vo").ptr());
    EXPECT_TRUE(opener->opened().empty());
    QVOpenTwitterUsername(NS::str("").ptr());
    EXPECT_EQ(opener->opened(), Strings{"tweetbot:///user_profile/"});
}

} // namespace
