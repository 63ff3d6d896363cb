// The follow flow's decisions as plain functions. The alerts' texts are checked end to end.
#include "kit/FollowDecisions.h"

#include <gtest/gtest.h>

namespace {

// An absent message gets the default (checked end to end); only an absent one.
TEST(FollowDecisions, AnEmptyMessageStaysEmpty) {
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::string()).message, "");
    EXPECT_EQ(kit::invitationAlert(std::nullopt, std::string()).title, std::nullopt);
}

// The taps the follow flow's tests cannot make, or whose account they do not tell apart. None
// of them asks for access.
TEST(FollowDecisions, WhatATapMeans) {
    struct Row {
        const char* name;
        long tag, index;
        std::size_t accounts;
        std::vector<std::size_t> follow;
        bool thanks;
    } rows[] = {
        {"invitation, no such button", 1, 2, 3, {}, false},
        {"untagged alert", 0, 1, 2, {}, false},
        {"unknown tag", 3, 0, 2, {}, false},
        {"first account", 2, 1, 2, {0}, true},
        {"past the list", 2, 3, 2, {}, false},
        {"negative index", 2, -1, 2, {}, false},
        {"All, list lost", 2, 0, 0, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        kit::ClickDecision d = kit::decideClick(row.tag, row.index, row.accounts, true);
        EXPECT_FALSE(d.askForAccess);
        EXPECT_EQ(d.follow, row.follow);
        EXPECT_EQ(d.showChooserConfirmation, row.thanks);
    }
}

} // namespace
