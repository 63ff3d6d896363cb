// The footer's command as a plain function: what a crafted identifier cannot do, row by row.
// (A crafted identifier against the real shell would show nothing more: the command is checked
// as the launcher gets it.)
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

} // namespace
