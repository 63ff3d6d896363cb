// The settings-pane decisions as plain functions: donation page, package names and the
// version query, footer years and text, the tint and reset tables, killall's arguments.
#include "kit/PaneDecisions.h"

#include "kit/KitConfig.h"

#include <gtest/gtest.h>

namespace {

using kit::TintProperty;
using kit::TintStep;
using kit::TintTarget;
using kit::TintValue;

TEST(DonationDecisions, OnlySureOpensPayPalsFormWithTheConfiguredButton) {
    EXPECT_EQ(kit::donationPageURL(), "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&"
                                      "hosted_button_id=" +
                                          std::string(kit::config::kDonationButtonIdentifier));
    EXPECT_FALSE(kit::config::kDonationButtonIdentifier.empty());
    EXPECT_TRUE(kit::donateAnswerOpensPage(1));
    EXPECT_FALSE(kit::donateAnswerOpensPage(0));
    EXPECT_FALSE(kit::donateAnswerOpensPage(2));
}

TEST(FooterDecisions, OnlyDebianPackageNamesGiveACommandWithTheNameQuoted) {
    for (const char* name : {"dpkg", "com.quarvo.tapsonata", "g++", "0ad", "lib-x.y+z"})
        EXPECT_TRUE(kit::isValidPackageName(name)) << name;
    for (const char* name : {"", "a", "-x", ".x", "Dpkg", "x y", "x;id", "x'y", "x$(id)", "x`id`",
                             "x\ny", "caf\xC3\xA9"})
        EXPECT_FALSE(kit::isValidPackageName(name)) << name;
    EXPECT_EQ(kit::versionQueryCommand("com.quarvo.tapsonata"),
              "dpkg -s 'com.quarvo.tapsonata' | grep 'Version'");
    EXPECT_EQ(kit::versionQueryCommand("x' ; touch m ; '"), std::nullopt);
}

TEST(FooterDecisions, YearsAndText) {
    EXPECT_EQ(kit::footerYears("2026", true, "2026"), "2026");
    EXPECT_EQ(kit::footerYears("2019", false, "2026"), "2019 - 2026");
    // A later start (a wrong clock) is not reordered.
    EXPECT_EQ(kit::footerYears("2030", false, "2026"), "2030 - 2026");
    // Not equal, as a number object never is: the same year twice.
    EXPECT_EQ(kit::footerYears("2026", false, "2026"), "2026 - 2026");
    // Several version lines: only the first gets the extra space.
    EXPECT_EQ(kit::footerText("Q", "2026", "Version: 1\nConfig-Version: 2\n"),
              "\xC2\xA9 Q 2026\n Version: 1\nConfig-Version: 2\n");
    // Not installed: the footer ends in a line feed and one space.
    EXPECT_EQ(kit::footerText("Q", "2026", ""), "\xC2\xA9 Q 2026\n ");
}

TEST(TintDecisions, TheTintTableInOrderSkippingOnlyTheEdgesWithoutExtendedLayout) {
    std::vector<TintStep> expected = {
        {TintTarget::NavigationBar, TintProperty::TitleTextAttributes, TintValue::Colour},
        {TintTarget::NavigationBar, TintProperty::TintColor, TintValue::Colour},
        {TintTarget::VisibleView, TintProperty::TintColor, TintValue::Colour},
        {TintTarget::VisibleView, TintProperty::AutoresizesSubviews, TintValue::Yes},
        {TintTarget::PaneController, TintProperty::EdgesForExtendedLayout, TintValue::BottomEdge},
        {TintTarget::SegmentedControl, TintProperty::TintColor, TintValue::Colour},
        {TintTarget::Slider, TintProperty::MaximumTrackTintColor, TintValue::Colour},
        {TintTarget::Switch, TintProperty::OnTintColor, TintValue::Colour},
    };
    EXPECT_EQ(kit::tintSteps(true, true), expected);
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(kit::tintSteps(true, false), expected);
    EXPECT_TRUE(kit::tintSteps(false, true).empty()) << "no colour, no steps";
}

TEST(TintDecisions, TheResetTableInOrderLeavesEdgesAndControls) {
    std::vector<TintStep> expected = {
        {TintTarget::NavigationBar, TintProperty::BarTintColor, TintValue::Nil},
        {TintTarget::NavigationBar, TintProperty::TintColor, TintValue::Nil},
        {TintTarget::NavigationBar, TintProperty::TitleTextAttributes, TintValue::Black},
        {TintTarget::VisibleView, TintProperty::TintColor, TintValue::Nil},
        {TintTarget::VisibleView, TintProperty::AutoresizesSubviews, TintValue::No},
    };
    EXPECT_EQ(kit::resetSteps(), expected);
}

TEST(KillallDecisions, NoSignalIsNineAndASignalGoesBehindOneMoreHyphen) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(kit::killallArguments(std::nullopt, std::string("Preferences")),
              (Args{"killall", "-9", "Preferences"}));
    EXPECT_EQ(kit::killallArguments(std::string("HUP"), std::string("x")),
              (Args{"killall", "-HUP", "x"}));
    EXPECT_EQ(kit::killallArguments(std::string("-9"), std::string("x")),
              (Args{"killall", "--9", "x"}));
    EXPECT_EQ(kit::killallArguments(std::nullopt, std::nullopt), (Args{"killall", "-9"}));
}

} // namespace
