// The follow flow's decisions as plain functions. The alerts' texts are checked end to end.
#include "kit/FollowDecisions.h"

#include <gtest/gtest.h>

namespace {

using Positions = std::vector<std::size_t>;

TEST(FollowDecisions, OnlyAnAbsentMessageGetsTheDefault) {
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::nullopt).message->rfind("Hey there! ", 0),
              0u);
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::string()).message, "");
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::string()).title, std::nullopt);
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

TEST(FollowDecisions, WhatTheAccessAnswerLeadsTo) {
    using enum kit::AccessOutcome;
    EXPECT_EQ(kit::decideAccess(false, 2), Nothing);
    EXPECT_EQ(kit::decideAccess(true, 0), OpenProfile);
    EXPECT_EQ(kit::decideAccess(true, 1), FollowTheOnlyAccount);
    EXPECT_EQ(kit::decideAccess(true, 2), ShowChooser);
    EXPECT_EQ(kit::decideAccess(true, 5), ShowChooser);
}

} // namespace
