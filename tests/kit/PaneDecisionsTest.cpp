#include "kit/PaneDecisions.h"

#include "kit/KitConfig.h"

#include <gtest/gtest.h>

namespace {

using kit::TintProperty;
using kit::TintStep;
using kit::TintTarget;
using kit::TintValue;

// ---- Donation -------------------------------------------------------------------------------

TEST(DonationDecisions, PageIsPayPalsDonationFormWithTheConfiguredButton) {
    EXPECT_EQ(kit::donationPageURL(), "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&"
                                      "hosted_button_id=" +
                                          std::string(kit::config::kDonationButtonIdentifier));
    EXPECT_FALSE(kit::config::kDonationButtonIdentifier.empty());
}

TEST(DonationDecisions, OnlySureOpensThePage) {
    EXPECT_TRUE(kit::donateAnswerOpensPage(1));
    EXPECT_FALSE(kit::donateAnswerOpensPage(0));
    EXPECT_FALSE(kit::donateAnswerOpensPage(2));
    EXPECT_FALSE(kit::donateAnswerOpensPage(-1));
}

// ---- Footer ---------------------------------------------------------------------------------

TEST(FooterDecisions, PackageNamesFollowDebiansRule) {
    for (const char* name : {"dpkg", "com.quarvo.tapsonata", "g++", "0ad", "a0", "lib-x.y+z"})
        EXPECT_TRUE(kit::isValidPackageName(name)) << name;
    for (const char* name : {"", "a", "-x", ".x", "+x", "Dpkg", "com.Quarvo", "x y", "x;id", "x'y",
                             "x$(id)", "x`id`", "x|y", "x\ny", "x/y", "caf\xC3\xA9"})
        EXPECT_FALSE(kit::isValidPackageName(name)) << name;
}

TEST(FooterDecisions, CommandQuotesTheIdentifierAndKeepsVersionLines) {
    EXPECT_EQ(kit::versionQueryCommand("com.quarvo.tapsonata"),
              "dpkg -s 'com.quarvo.tapsonata' | grep 'Version'");
}

TEST(FooterDecisions, CraftedIdentifierGivesNoCommandAtAll) {
    EXPECT_EQ(kit::versionQueryCommand("x;touch /tmp/marker"), std::nullopt);
    EXPECT_EQ(kit::versionQueryCommand("x' ; touch m ; '"), std::nullopt);
    EXPECT_EQ(kit::versionQueryCommand(""), std::nullopt);
}

TEST(FooterDecisions, YearsAreTheYearAloneOrARangeStartFirst) {
    EXPECT_EQ(kit::footerYears("2026", true, "2026"), "2026");
    EXPECT_EQ(kit::footerYears("2019", false, "2026"), "2019 - 2026");
    // A later start (a wrong clock) is not reordered.
    EXPECT_EQ(kit::footerYears("2030", false, "2026"), "2030 - 2026");
    // Not equal, as a number object never is: the same year twice.
    EXPECT_EQ(kit::footerYears("2026", false, "2026"), "2026 - 2026");
}

TEST(FooterDecisions, FooterTextCharacterByCharacter) {
    EXPECT_EQ(kit::footerText("Quarvo", "2019 - 2026", "Version: 1.0-1\n"),
              "\xC2\xA9 Quarvo 2019 - 2026\n Version: 1.0-1\n");
    // Several lines: only the first gets the extra space.
    EXPECT_EQ(kit::footerText("Q", "2026", "Version: 1\nConfig-Version: 2\n"),
              "\xC2\xA9 Q 2026\n Version: 1\nConfig-Version: 2\n");
    // Not installed: the footer ends in a line feed and one space.
    EXPECT_EQ(kit::footerText("Q", "2026", ""), "\xC2\xA9 Q 2026\n ");
}

// ---- Tint -----------------------------------------------------------------------------------

TEST(TintDecisions, TintTableInOrder) {
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
}

TEST(TintDecisions, WithoutExtendedLayoutOnlyTheEdgeStepIsSkipped) {
    std::vector<TintStep> withEdges = kit::tintSteps(true, true);
    std::vector<TintStep> without = kit::tintSteps(true, false);
    ASSERT_EQ(without.size(), withEdges.size() - 1);
    withEdges.erase(withEdges.begin() + 4);
    EXPECT_EQ(without, withEdges);
}

TEST(TintDecisions, NoColourNoSteps) {
    EXPECT_TRUE(kit::tintSteps(false, true).empty());
    EXPECT_TRUE(kit::tintSteps(false, false).empty());
}

TEST(TintDecisions, ResetTableInOrderLeavesEdgesAndControls) {
    std::vector<TintStep> expected = {
        {TintTarget::NavigationBar, TintProperty::BarTintColor, TintValue::Nil},
        {TintTarget::NavigationBar, TintProperty::TintColor, TintValue::Nil},
        {TintTarget::NavigationBar, TintProperty::TitleTextAttributes, TintValue::Black},
        {TintTarget::VisibleView, TintProperty::TintColor, TintValue::Nil},
        {TintTarget::VisibleView, TintProperty::AutoresizesSubviews, TintValue::No},
    };
    EXPECT_EQ(kit::resetSteps(), expected);
}

TEST(TintDecisions, TintNeverTouchesTheBarTint) {
    for (const TintStep& step : kit::tintSteps(true, true))
        EXPECT_NE(step.property, TintProperty::BarTintColor);
}

// ---- Process termination --------------------------------------------------------------------

TEST(KillallDecisions, NoSignalMeansNine) {
    EXPECT_EQ(kit::killallArguments(std::nullopt, std::string("Preferences")),
              (std::vector<std::string>{"killall", "-9", "Preferences"}));
}

TEST(KillallDecisions, SignalTextGoesBehindOneHyphenAlways) {
    EXPECT_EQ(kit::killallArguments(std::string("15"), std::string("x")),
              (std::vector<std::string>{"killall", "-15", "x"}));
    EXPECT_EQ(kit::killallArguments(std::string("HUP"), std::string("x")),
              (std::vector<std::string>{"killall", "-HUP", "x"}));
    EXPECT_EQ(kit::killallArguments(std::string("-9"), std::string("x")),
              (std::vector<std::string>{"killall", "--9", "x"}));
}

TEST(KillallDecisions, NoProcessNameEndsAfterTheOption) {
    EXPECT_EQ(kit::killallArguments(std::nullopt, std::nullopt),
              (std::vector<std::string>{"killall", "-9"}));
}

} // namespace
