// The footer's decisions as plain functions: the command, the years and the text.
#include "kit/PaneDecisions.h"

#include <gtest/gtest.h>

namespace {

TEST(FooterDecisions, TheIdentifierIsQuotedAsOneWordAndOnlyNonNamesRunNothing) {
    struct Row {
        const char* name;
        std::string identifier;
        std::optional<std::string> quoted; // none: no command at all
    } rows[] = {
        {"a package name", "com.quarvo.tapsonata", "'com.quarvo.tapsonata'"},
        {"upper case, for dpkg to fold", "Com.Quarvo.Tapsonata", "'Com.Quarvo.Tapsonata'"},
        {"one character", "a", "'a'"},
        {"shell syntax stays text", "x;id $(id) `id` \"", "'x;id $(id) `id` \"'"},
        {"a single quote", "x' ; touch m ; '", "'x'\\'' ; touch m ; '\\'''"},
        {"not ASCII", "caf\xC3\xA9", "'caf\xC3\xA9'"},
        {"empty", "", std::nullopt},
        {"an option for dpkg", "-x", std::nullopt},
        {"a line feed", "x\ny", std::nullopt},
        {"a tab", "x\ty", std::nullopt},
        {"a zero byte", std::string("x\0y", 3), std::nullopt},
        {"delete", "x\x7Fy", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<std::string> expected;
        if (row.quoted)
            expected = "dpkg -s " + *row.quoted + " | grep 'Version'";
        EXPECT_EQ(kit::versionQueryCommand(row.identifier), expected);
    }
}

TEST(FooterDecisions, YearsAndText) {
    EXPECT_EQ(kit::footerYears("2026", true, "2026"), "2026");
    EXPECT_EQ(kit::footerYears("2030", false, "2026"), "2030 - 2026") << "never reordered";
    // Several version lines: only the first gets the extra space.
    EXPECT_EQ(kit::footerText("Q", "2026", "Version: 1\nConfig-Version: 2\n"),
              "\xC2\xA9 Q 2026\n Version: 1\nConfig-Version: 2\n");
}

} // namespace
