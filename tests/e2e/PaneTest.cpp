// The settings pane of a simulated device: a real pane process that calls the kit's exported
// functions from the loaded library, and what a user sees of each.
#include "SimDevice.h"

#include <chrono>
#include <gtest/gtest.h>

namespace e2e {
namespace {

// One pane session through every kit function it offers.
TEST(Pane, EachActionCallsTheKitAndShowsWhatItDid) {
    SimDevice device({"--installed", "twitter,tweetbot"});
    const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    const std::string year = std::to_string(int(std::chrono::year_month_day(today).year()));
    // clang-format off
    SimResult r = device.run({
        "pane", "donate", "tap", "1", "pane", "donate", "100%@ free", "tap", "0",
        "pane", "mail", "dev@quarvo.example", "pane", "mail", "not an address",
        "pane", "share", "Clicks into notes!", "pane", "share-tap",
        "pane", "footer", "pane", "footer", "com.example.absent", "Someone", year,
        "pane", "tint", "#ff8000", "pane", "reset", "pane", "profile", "someone",
        "pane", "follow", "tap", "0"});
    // clang-format on
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<Event> alerts = device.events("alert", "pane");
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_EQ(alerts[0].str("message"),
              "Hey there! Tapsonata is free, if you like it, please consider a little donation :) "
              "It would be incredibly kind from you!");
    EXPECT_EQ(alerts[0].str("buttons"), R"(["No thanks!","Sure!"])");
    EXPECT_EQ(alerts[1].str("title"), "100%@ free") << "a name is shown literally";
    EXPECT_EQ(alerts[1].str("message").rfind("Hey there! 100%@ free is free", 0), 0u);
    EXPECT_EQ(alerts[2].str("message"),
              "Hey there! Thanks for installing my tweak! If you'd like to follow me on Twitter "
              "for more updates, tweak giveaways and other cool stuff, hit the button below!");
    EXPECT_EQ(device.events("tap", "pane").size(), 3u) << "the taps went to the pane's alerts";

    // Sure! opens the page, the good address its mailto: link, the profile the first client
    // that answers (tweetbot); No thanks! and the bad address open nothing.
    std::vector<Event> opened = device.events("open_url", "pane");
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].str("url").rfind(
                  "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=", 0),
              0u);
    EXPECT_EQ(opened[1].str("url"), "mailto:dev@quarvo.example");
    EXPECT_EQ(opened[2].str("url"), "tweetbot:///user_profile/someone");
    EXPECT_EQ(values(opened, "opened"), Strings(3, "true")) << "the device opens each";

    EXPECT_EQ(device.events("share_button")[0].str("shown"), "true");
    EXPECT_EQ(device.events("compose")[0].str("text"), "Clicks into notes!");

    std::vector<Event> footers = device.events("footer", "pane");
    EXPECT_EQ(values(footers, "text"),
              (Strings{"\u00A9 Quarvo 2015 - " + year + "\n Version: 1.0.0\n",
                       "\u00A9 Someone " + year + "\n "}));
    EXPECT_EQ(values(footers, "alignment"), Strings(2, "1"));

    // The reset sets the bar and the view back, and leaves the edges and the controls.
    const std::string kept = R"("edges":4,"switch":"#ff8000","slider":"#ff8000",)"
                             R"("segmented":"#ff8000","process":"pane"})";
    std::vector<Event> tints = device.events("tint", "pane");
    ASSERT_EQ(tints.size(), 2u);
    EXPECT_EQ(tints[0].line, R"({"event":"tint","title":"#ff8000","bar_tint":"#ff8000",)"
                             R"("bar_background":null,"view_tint":"#ff8000","autoresizes":true,)" +
                                 kept);
    EXPECT_EQ(tints[1].line, R"({"event":"tint","title":"#000000","bar_tint":null,)"
                             R"("bar_background":null,"view_tint":null,"autoresizes":false,)" +
                                 kept);
}

} // namespace
} // namespace e2e
