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
#include <unistd.h>

namespace {

using objc::Ref;
using objc::RefPtr;

const std::string kCopyright = "\xC2\xA9 ";

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

// Sets the host's time zone for a scope (a POSIX TZ rule, so no zone database is needed).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* rule) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", rule, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

class Footer : public ::testing::Test {
protected:
    void SetUp() override { preferences::registerClasses(); }
    void TearDown() override { preferences::registerClasses(); }

    // The footer text of a specifier made for `package`.
    static std::string footer(const char* package, const char* holder, objc::Object* startYear) {
        RefPtr<objc::Object> specifier = QVVersionCopyrightSpecifier(
            NS::str(package).ptr(), holder ? NS::str(holder).ptr() : nullptr, startYear);
        auto* ps = dynamic_cast<PS::Specifier*>(specifier.get());
        EXPECT_NE(ps, nullptr);
        if (!ps)
            return {};
        RefPtr<objc::Object> text = ps->propertyForKey("footerText");
        EXPECT_TRUE(dynamic_cast<NS::String*>(text.get()));
        return text ? text->description() : std::string();
    }

    ScopedFakeClock clock{utcTime(2026, 6, 15, 12)};
};

// ---- Against the real dpkg ------------------------------------------------------------------

TEST_F(Footer, AnInstalledPackageShowsItsVersionLine) {
    std::string version = installedVersion("dpkg");
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(footer("dpkg", "Quarvo", NS::str("2019").ptr()),
              kCopyright + "Quarvo 2019 - 2026\n Version: " + version + "\n");
}

TEST_F(Footer, APackageNotInstalledEndsInALineFeedAndASpace) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", "Quarvo", NS::str("2026").ptr()),
              kCopyright + "Quarvo 2026\n ");
}

TEST_F(Footer, TheSpecifierIsAnUntitledGroupWithACentredFooter) {
    RefPtr<objc::Object> specifier =
        QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), NS::str("Q").ptr(), nullptr);
    auto* ps = dynamic_cast<PS::Specifier*>(specifier.get());
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ps->cellType(), PS::PSGroupCell);
    EXPECT_EQ(ps->name()->str(), "");
    EXPECT_FALSE(ps->target());
    EXPECT_EQ(ps->setter(), nullptr);
    EXPECT_EQ(ps->getter(), nullptr);
    EXPECT_EQ(ps->detailControllerClass(), nullptr);
    EXPECT_EQ(ps->editPaneClass(), nullptr);
    RefPtr<objc::Object> alignment = ps->propertyForKey("footerAlignment");
    auto* text = dynamic_cast<NS::String*>(alignment.get());
    ASSERT_NE(text, nullptr) << "the alignment is a string, not a number";
    EXPECT_EQ(text->str(), "1");
    // The caller is the only owner of what it got.
    EXPECT_EQ(specifier->retainCount(), 1u);
}

// ---- The years, with a fixed clock ----------------------------------------------------------

TEST_F(Footer, TheSameYearStandsAlone) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::str("2026").ptr()),
              kCopyright + "Q 2026\n ");
}

TEST_F(Footer, AnEarlierYearGivesARange) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::str("2019").ptr()),
              kCopyright + "Q 2019 - 2026\n ");
}

TEST_F(Footer, ALaterYearStillGivesARangeStartFirst) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::str("2030").ptr()),
              kCopyright + "Q 2030 - 2026\n ");
}

TEST_F(Footer, ANumberIsNeverTheCurrentYear) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::Number::numberWithInt(2026).ptr()),
              kCopyright + "Q 2026 - 2026\n ");
}

TEST_F(Footer, NoHolderOrStartYearPrintsTheNullText) {
    EXPECT_EQ(footer("tapsonata-not-installed-here", nullptr, nullptr),
              kCopyright + "(null) (null) - 2026\n ");
}

TEST_F(Footer, AtNewYearTheYearIsUTCsWhateverTheLocalZone) {
    {
        // Already 2026 fourteen hours east of Greenwich, still 2025 in UTC.
        ScopedTimeZone east("XST-14");
        clock->setNow(utcTime(2025, 12, 31, 23, 30));
        EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::str("2025").ptr()),
                  kCopyright + "Q 2025\n ");
    }
    {
        // Still 2025 ten hours west, already 2026 in UTC.
        ScopedTimeZone west("YST10");
        clock->setNow(utcTime(2026, 1, 1, 0, 30));
        EXPECT_EQ(footer("tapsonata-not-installed-here", "Q", NS::str("2025").ptr()),
                  kCopyright + "Q 2025 - 2026\n ");
    }
}

// ---- The command ----------------------------------------------------------------------------

TEST_F(Footer, TheCommandRunsThroughTheShellWithTheIdentifierQuoted) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->setOutput("Version: 1.2-3\nConfig-Version: 1.2-2\n");
    EXPECT_EQ(footer("com.quarvo.tapsonata", "Q", NS::str("2026").ptr()),
              kCopyright + "Q 2026\n Version: 1.2-3\nConfig-Version: 1.2-2\n");
    std::vector<NS::LaunchRequest> requests = launcher->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/bin/sh");
    EXPECT_EQ(requests[0].arguments,
              (std::vector<std::string>{"/bin/sh", "-c",
                                        "dpkg -s 'com.quarvo.tapsonata' | grep 'Version'"}));
    EXPECT_EQ(requests[0].environment, std::nullopt) << "the caller's environment";
}

TEST_F(Footer, OutputIsDecodedAsASCIIWithHighBytesKept) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->setOutput("Version: 1\xE9\n");
    EXPECT_EQ(footer("dpkg", "Q", NS::str("2026").ptr()),
              kCopyright + "Q 2026\n Version: 1\xC3\xA9\n");
}

TEST_F(Footer, AShellThatCannotStartLeavesTheVersionEmpty) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->failWith(ENOENT);
    EXPECT_EQ(footer("dpkg", "Q", NS::str("2026").ptr()), kCopyright + "Q 2026\n ");
}

TEST_F(Footer, ACraftedIdentifierRunsNothing) {
    char folder[] = "/tmp/tapsonata-footer-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::filesystem::path marker = std::filesystem::path(folder) / "marker";
    for (std::string crafted : {"x;touch " + marker.string(), "x$(touch " + marker.string() + ")",
                                "x' ; touch " + marker.string() + " ; '"}) {
        EXPECT_EQ(footer(crafted.c_str(), "Q", NS::str("2026").ptr()), kCopyright + "Q 2026\n ");
        EXPECT_FALSE(std::filesystem::exists(marker)) << crafted;
    }
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    footer("x;id", "Q", nullptr);
    EXPECT_TRUE(launcher->requests().empty());
    std::filesystem::remove_all(folder);
}

TEST_F(Footer, WithoutPSSpecifierTheResultIsNilAfterTheCommandRan) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    preferences::unregisterClasses();
    ASSERT_EQ(objc::objc_getClass("PSSpecifier"), nullptr);
    EXPECT_FALSE(QVVersionCopyrightSpecifier(NS::str("dpkg").ptr(), NS::str("Q").ptr(),
                                             NS::str("2026").ptr()));
    EXPECT_EQ(launcher->requests().size(), 1u);
}

} // namespace
