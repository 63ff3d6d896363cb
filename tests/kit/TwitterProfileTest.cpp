// QVOpenTwitterUsername against a URL opener that records probes and opens.
#include "kit/QVKit.h"
#include "support/FakeURLOpener.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(TwitterProfile, ProbesInOrderUpToTheFirstClientAndOpensExactlyOne) {
    const Strings all = {"tweetbot:", "twitterrific:", "tweetings:", "twitter:"};
    struct Row {
        const char* name;
        std::set<std::string> installed;
        std::string_view handle; // no data: no handle
        Strings probes, opened;
    } rows[] = {
        // clang-format off
        {"no client: the web", {}, "Quarvo", all, {"http://twitter.com/Quarvo"}},
        {"first and fourth", {"tweetbot", "twitter"}, "Quarvo", {all[0]},
         {"tweetbot:///user_profile/Quarvo"}},
        {"second", {"twitterrific"}, "Q", {all[0], all[1]},
         {"twitterrific:///profile?screen_name=Q"}},
        {"third", {"tweetings"}, "Q", {all[0], all[1], all[2]},
         {"tweetings:///user?screen_name=Q"}},
        {"fourth only", {"twitter"}, "Quarvo", all, {"twitter://user?screen_name=Quarvo"}},
        {"empty handle", {"tweetbot"}, "", {all[0]}, {"tweetbot:///user_profile/"}},
        {"no URL: nothing, no fallback", {"tweetbot"}, "Quar vo", {all[0]}, {}},
        {"a NUL is no URL", {"tweetbot"}, std::string_view("Q\0x", 3), {all[0]}, {}},
        {"no handle: nothing", {"tweetbot"}, {}, {}, {}},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        support::ScopedFakeURLOpener opener(row.installed);
        QVOpenTwitterUsername(row.handle.data() ? NS::str(row.handle).ptr() : nullptr);
        EXPECT_EQ(opener->probes(), row.probes);
        EXPECT_EQ(opener->opened(), row.opened);
    }
}

} // namespace
