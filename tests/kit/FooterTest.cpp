// The version and copyright footer: against this machine's real dpkg, with a fixed clock, and
// with a fake launcher where the command itself is the subject.
#include "foundation/Number.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "preferences/Specifier.h"
#include "support/FakeClock.h"
#include "support/FakeProcessLauncher.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

using objc::RefPtr;

const std::string kCopyright = "\xC2\xA9 ";
const char* const kAbsent = "tapsonata-not-installed-here";

// What dpkg itself says the installed version of a package is.
std::string installedVersion(const char* package) {
    std::string command = std::string("dpkg-query -W -f='${Version}' ") + package;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

class Footer : public ::testing::Test {
protected:
    void SetUp() override { preferences::registerClasses(); }
    void TearDown() override { preferences::registerClasses(); }

    // The footer text of a specifier made for `package`.
    static std::string footer(const std::string& package, const char* holder,
                              objc::Object* startYear) {
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

TEST_F(Footer, AnInstalledPackageShowsItsVersionLineInACentredUntitledGroup) {
    std::string version = installedVersion("dpkg");
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(footer("dpkg", "Quarvo", NS::str("2019").ptr()),
              kCopyright + "Quarvo 2019 - 2026\n Version: " + version + "\n");
    RefPtr<objc::Object> specifier =
        QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), NS::str("Q").ptr(), nullptr);
    auto* ps = dynamic_cast<PS::Specifier*>(specifier.get());
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ps->cellType(), PS::PSGroupCell);
    EXPECT_EQ(ps->name()->str(), "");
    auto* alignment = dynamic_cast<NS::String*>(ps->propertyForKey("footerAlignment").get());
    ASSERT_NE(alignment, nullptr) << "the alignment is a string, not a number";
    EXPECT_EQ(alignment->str(), "1");
}

TEST_F(Footer, APackageNotInstalledEndsInALineFeedAndASpace) {
    EXPECT_EQ(footer(kAbsent, "Quarvo", NS::str("2026").ptr()), kCopyright + "Quarvo 2026\n ");
}

TEST_F(Footer, TheYearsAloneOrAsARangeStartFirstAndNilAsNull) {
    EXPECT_EQ(footer(kAbsent, "Q", NS::str("2019").ptr()), kCopyright + "Q 2019 - 2026\n ");
    EXPECT_EQ(footer(kAbsent, "Q", NS::str("2030").ptr()), kCopyright + "Q 2030 - 2026\n ");
    EXPECT_EQ(footer(kAbsent, "Q", NS::Number::numberWithInt(2026).ptr()),
              kCopyright + "Q 2026 - 2026\n ")
        << "a number is never the current year";
    EXPECT_EQ(footer(kAbsent, nullptr, nullptr), kCopyright + "(null) (null) - 2026\n ");
}

TEST_F(Footer, AtNewYearTheYearIsUTCsWhateverTheLocalZone) {
    const char* old = std::getenv("TZ");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    // Already 2026 fourteen hours east of Greenwich, still 2025 in UTC (a POSIX TZ rule, so no
    // zone database is needed).
    setenv("TZ", "XST-14", 1);
    tzset();
    clock->setNow(utcTime(2025, 12, 31, 23, 30));
    std::string east = footer(kAbsent, "Q", NS::str("2025").ptr());
    // Still 2025 ten hours west, already 2026 in UTC.
    setenv("TZ", "YST10", 1);
    tzset();
    clock->setNow(utcTime(2026, 1, 1, 0, 30));
    std::string west = footer(kAbsent, "Q", NS::str("2025").ptr());
    if (saved)
        setenv("TZ", saved->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(east, kCopyright + "Q 2025\n ");
    EXPECT_EQ(west, kCopyright + "Q 2025 - 2026\n ");
}

TEST_F(Footer, TheCommandRunsThroughTheShellWithTheIdentifierQuoted) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->setOutput("Version: 1.2-3\xE9\nConfig-Version: 1.2-2\n");
    EXPECT_EQ(footer("com.quarvo.tapsonata", "Q", NS::str("2026").ptr()),
              kCopyright + "Q 2026\n Version: 1.2-3\xC3\xA9\nConfig-Version: 1.2-2\n");
    std::vector<NS::LaunchRequest> requests = launcher->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].arguments,
              (std::vector<std::string>{"/bin/sh", "-c",
                                        "dpkg -s 'com.quarvo.tapsonata' | grep 'Version'"}));
    launcher->failWith(ENOENT);
    EXPECT_EQ(footer("dpkg", "Q", NS::str("2026").ptr()), kCopyright + "Q 2026\n ")
        << "a shell that cannot start leaves the version empty";
}

TEST_F(Footer, ACraftedIdentifierRunsNothing) {
    char folder[] = "/tmp/tapsonata-footer-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::filesystem::path marker = std::filesystem::path(folder) / "marker";
    for (const std::string& crafted :
         {"x;touch " + marker.string(), "x' ; touch " + marker.string() + " ; '"}) {
        EXPECT_EQ(footer(crafted, "Q", NS::str("2026").ptr()), kCopyright + "Q 2026\n ");
        EXPECT_FALSE(std::filesystem::exists(marker)) << crafted;
    }
    std::filesystem::remove_all(folder);
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    footer("x;id", "Q", nullptr);
    EXPECT_TRUE(launcher->requests().empty());
}

TEST_F(Footer, WithoutPSSpecifierTheResultIsNilAfterTheCommandRan) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    preferences::unregisterClasses();
    EXPECT_FALSE(QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), NS::str("Q").ptr(),
                                             NS::str("2026").ptr()));
    EXPECT_EQ(launcher->requests().size(), 1u);
}

} // namespace
