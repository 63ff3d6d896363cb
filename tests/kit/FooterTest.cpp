// The version and copyright footer: against this machine's real shell and dpkg, with a fixed
// clock, and with a fake launcher where the command itself is the subject.
#include "foundation/Number.h"
#include "kit/QVKit.h"
#include "preferences/Specifier.h"
#include "support/FakeClock.h"
#include "support/FakeProcessLauncher.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using objc::RefPtr;

const std::string kCopyright = "\xC2\xA9 ";
const char* const kAbsent = "tapsonata-not-installed-here";

class Footer : public ::testing::Test {
protected:
    void SetUp() override { preferences::registerClasses(); }
    void TearDown() override { preferences::registerClasses(); }

    // The footer text of a specifier made for `package`.
    static std::string footer(const std::string& package, const char* holder = "Q",
                              objc::Object* startYear = NS::str("2026").ptr()) {
        RefPtr<objc::Object> specifier = QVVersionCopyrightSpecifier(
            NS::str(package).ptr(), holder ? NS::str(holder).ptr() : nullptr, startYear);
        auto* ps = dynamic_cast<PS::Specifier*>(specifier.get());
        EXPECT_NE(ps, nullptr);
        RefPtr<objc::Object> text = ps ? ps->propertyForKey("footerText") : nullptr;
        EXPECT_TRUE(dynamic_cast<NS::String*>(text.get()));
        return text ? text->description() : std::string();
    }

    ScopedFakeClock clock{utcTime(2026, 6, 15, 12)};
};

TEST_F(Footer, AnInstalledPackageShowsDpkgsVersionLineInACentredUntitledGroup) {
    const std::string dpkgsOwn = kCopyright + "Q 2019 - 2026\n Version: ";
    std::string lower = footer("dpkg", "Q", NS::str("2019").ptr());
    ASSERT_EQ(lower.rfind(dpkgsOwn, 0), 0u) << lower;
    EXPECT_EQ(lower.back(), '\n');
    const std::string ran = testing::TempDir() + "tapsonata-footer-ran";
    std::filesystem::remove(ran); // left by an earlier run that failed here
    EXPECT_EQ(footer("x'; touch " + ran + "; echo 'Version: 9"), kCopyright + "Q 2026\n ");
    EXPECT_FALSE(std::filesystem::exists(ran)) << "the shell ran part of a crafted identifier";

    RefPtr<objc::Object> specifier =
        QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), nullptr, nullptr);
    auto* ps = dynamic_cast<PS::Specifier*>(specifier.get());
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ps->cellType(), PS::PSGroupCell);
    EXPECT_EQ(ps->name()->str(), "");
    auto* alignment = dynamic_cast<NS::String*>(ps->propertyForKey("footerAlignment").get());
    ASSERT_NE(alignment, nullptr) << "the alignment is a string, not a number";
    EXPECT_EQ(alignment->str(), "1");
}

TEST_F(Footer, TheYearsAloneOrAsARangeStartFirstAndNilAsNull) {
    EXPECT_EQ(footer(kAbsent, "Q", NS::Number::numberWithInt(2026).ptr()),
              kCopyright + "Q 2026 - 2026\n ")
        << "a number is never the current year";
    EXPECT_EQ(footer(kAbsent, "Q", NS::str("2030").ptr()), kCopyright + "Q 2030 - 2026\n ")
        << "never reordered";
    EXPECT_EQ(footer(kAbsent, nullptr, nullptr), kCopyright + "(null) (null) - 2026\n ");
}

TEST_F(Footer, AtNewYearTheYearIsUTCsWhateverTheLocalZone) {
    const char* old = std::getenv("TZ");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    auto footerIn = [&](const char* zone, auto now) {
        setenv("TZ", zone, 1);
        tzset();
        clock.setNow(now);
        return footer(kAbsent, "Q", NS::str("2025").ptr());
    };
    // Already 2026 fourteen hours east of Greenwich, still 2025 in UTC (a POSIX TZ rule, so no
    // zone database is needed); then still 2025 ten hours west, already 2026 in UTC.
    EXPECT_EQ(footerIn("XST-14", utcTime(2025, 12, 31, 23, 30)), kCopyright + "Q 2025\n ");
    EXPECT_EQ(footerIn("YST10", utcTime(2026, 1, 1, 0, 30)), kCopyright + "Q 2025 - 2026\n ");
    saved ? setenv("TZ", saved->c_str(), 1) : unsetenv("TZ");
    tzset();
}

// The identifier reaches the shell as one quoted word, whatever it holds; one that could never
// name a package runs nothing.
TEST_F(Footer, TheShellGetsTheIdentifierAsOneQuotedWordAndItsOutputAsItCame) {
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
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->setOutput("Version: 1.2-3\xE9\nConfig-Version: 1.2-2\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t before = launcher->requests().size();
        EXPECT_EQ(footer(row.identifier),
                  kCopyright + "Q 2026\n " +
                      (row.quoted ? "Version: 1.2-3\xC3\xA9\nConfig-Version: 1.2-2\n" : ""));
        ASSERT_EQ(launcher->requests().size(), before + (row.quoted ? 1 : 0));
        if (row.quoted) {
            EXPECT_EQ(launcher->requests().back().arguments,
                      (std::vector<std::string>{"/bin/sh", "-c",
                                                "dpkg -s " + *row.quoted + " | grep 'Version'"}));
        }
    }
    launcher->failWith(ENOENT);
    EXPECT_EQ(footer("dpkg"), kCopyright + "Q 2026\n ") << "a shell that cannot start";
    preferences::unregisterClasses();
    EXPECT_FALSE(QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), nullptr, nullptr))
        << "no PSSpecifier: nil";
    EXPECT_EQ(launcher->requests().size(), 8u) << "but the command has run";
}

} // namespace
