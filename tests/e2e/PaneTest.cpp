// The settings pane of a simulated device: a real pane process that calls the kit's exported
// functions from the loaded library, and what a user sees of each.
#include "SimDevice.h"

#include <ctime>
#include <gtest/gtest.h>

namespace e2e {
namespace {

std::string currentUtcYear() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return std::to_string(utc.tm_year + 1900);
}

TEST(Pane, DonationInvitationOpensThePageOnSure) {
    SimDevice device({});
    ASSERT_EQ(device.run({"pane", "donate", "tap", "1", "pane", "donate", "tap", "0"}).exitCode, 0);
    std::vector<Event> alerts = device.events("alert", "pane");
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].str("title"), "Tapsonata");
    EXPECT_EQ(alerts[0].str("message"),
              "Hey there! Tapsonata is free, if you like it, please consider a little donation :) "
              "It would be incredibly kind from you!");
    EXPECT_EQ(alerts[0].str("buttons"), jsonArray({"No thanks!", "Sure!"}));
    std::vector<Event> opened = device.events("open_url", "pane");
    ASSERT_EQ(opened.size(), 1u) << "only Sure! opens the page";
    EXPECT_EQ(opened[0].str("url").rfind(
                  "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=", 0),
              0u)
        << opened[0].str("url");
}

TEST(Pane, ANameIsShownLiterally) {
    SimDevice device({});
    ASSERT_EQ(device.run({"pane", "donate", "100%@ free"}).exitCode, 0);
    std::vector<Event> alerts = device.events("alert", "pane");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].str("title"), "100%@ free");
    EXPECT_EQ(alerts[0].str("message").rfind("Hey there! 100%@ free is free", 0), 0u);
}

TEST(Pane, MailOpensAMailtoLinkOrNothing) {
    SimDevice device({});
    ASSERT_EQ(device.run({"pane", "mail", "dev@quarvo.example", "pane", "mail", "not an address"})
                  .exitCode,
              0);
    std::vector<Event> opened = device.events("open_url");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].str("url"), "mailto:dev@quarvo.example");
}

TEST(Pane, ShareButtonOpensTheComposerWithItsText) {
    SimDevice device({});
    SimResult r = device.run({"pane", "share", "Tapsonata turns clicks into notes!", "pane",
                              "share-tap", "pane", "share", "Second text", "pane", "share-tap"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> buttons = device.events("share_button");
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].str("shown"), "true");
    std::vector<Event> composers = device.events("compose");
    ASSERT_EQ(composers.size(), 2u);
    EXPECT_EQ(composers[0].str("text"), "Tapsonata turns clicks into notes!");
    EXPECT_EQ(composers[1].str("text"), "Second text");
}

TEST(Pane, TappingAMissingShareButtonIsAnError) {
    SimDevice device({});
    SimResult r = device.run({"pane", "share-tap"});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<Event> errors = device.events("error", "pane");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].str("text"), "pane: there is no share button to tap");
}

TEST(Pane, FooterShowsTheCopyrightAndTheInstalledVersion) {
    SimDevice device({});
    ASSERT_EQ(device
                  .run({"pane", "footer", "pane", "footer", "com.example.absent", "Someone",
                        currentUtcYear()})
                  .exitCode,
              0);
    std::vector<Event> footers = device.events("footer", "pane");
    ASSERT_EQ(footers.size(), 2u);
    EXPECT_EQ(footers[0].str("text"),
              "\u00A9 Quarvo 2015 - " + currentUtcYear() + "\n Version: 1.0.0\n");
    EXPECT_EQ(footers[0].str("alignment"), "1");
    EXPECT_EQ(footers[1].str("text"), "\u00A9 Someone " + currentUtcYear() + "\n ");
}

TEST(Pane, TintColoursThePaneAndResetSetsTheBarBack) {
    SimDevice device({});
    ASSERT_EQ(device.run({"pane", "tint", "#ff8000", "pane", "reset"}).exitCode, 0);
    std::vector<Event> tints = device.events("tint", "pane");
    ASSERT_EQ(tints.size(), 2u);
    const Event& tinted = tints[0];
    EXPECT_EQ(tinted.str("title"), "#ff8000");
    EXPECT_EQ(tinted.str("bar_tint"), "#ff8000");
    EXPECT_EQ(tinted.str("view_tint"), "#ff8000");
    EXPECT_EQ(tinted.str("autoresizes"), "true");
    EXPECT_EQ(tinted.str("edges"), "4");
    EXPECT_EQ(tinted.str("switch"), "#ff8000");
    EXPECT_EQ(tinted.str("slider"), "#ff8000");
    EXPECT_EQ(tinted.str("segmented"), "#ff8000");
    const Event& reset = tints[1];
    EXPECT_EQ(reset.str("title"), "#000000");
    EXPECT_EQ(reset.str("bar_tint"), "null");
    EXPECT_EQ(reset.str("bar_background"), "null");
    EXPECT_EQ(reset.str("view_tint"), "null");
    EXPECT_EQ(reset.str("autoresizes"), "false");
    EXPECT_EQ(reset.str("edges"), "4") << "the reset leaves the edges";
    EXPECT_EQ(reset.str("switch"), "#ff8000") << "and the controls' colours";
}

TEST(Pane, ProfileOpensInTheFirstInstalledClient) {
    SimDevice device({"--installed", "twitter,tweetbot"});
    ASSERT_EQ(device.run({"pane", "profile", "someone"}).exitCode, 0);
    std::vector<Event> probes = device.events("can_open_url");
    ASSERT_EQ(probes.size(), 1u) << "tweetbot answers first";
    std::vector<Event> opened = device.events("open_url");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].str("url"), "tweetbot:///user_profile/someone");
}

TEST(Pane, FollowShowsTheDefaultInvitation) {
    SimDevice device({});
    ASSERT_EQ(device.run({"pane", "follow", "tap", "0"}).exitCode, 0);
    std::vector<Event> alerts = device.events("alert", "pane");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].str("message"),
              "Hey there! Thanks for installing my tweak! If you'd like to follow me on Twitter "
              "for more updates, tweak giveaways and other cool stuff, hit the button below!");
    EXPECT_EQ(device.events("tap", "pane").size(), 1u) << "the tap went to the pane's alert";
}

TEST(Pane, SettingsWrittenByThePaneKeepTheOtherKeys) {
    SimDevice device({"--enabled", "--instrument", "piano"});
    ASSERT_EQ(device.run({"unlock", "tap", "0", "pane", "disable", "type", "a"}).exitCode, 0);
    // Disabled: the click passes; and firstUse, kept in the same file, is still NO.
    EXPECT_EQ(device.events("sound")[0].str("id"), "1104");
    ASSERT_EQ(device.run({"unlock"}).exitCode, 0);
    EXPECT_TRUE(device.events("alert").empty());
}

} // namespace
} // namespace e2e
