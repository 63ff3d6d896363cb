// What the simulated device does for the library beyond the processes themselves: killall
// with each way of naming a signal, and the links it can open.
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

TEST(SimulatedHost, KillallTakesSignalNamesAndSignalZeroEndsNothing) {
    SimDevice device({"--enabled"});
    SimResult r = device.run({"type", "a", "pane", "kill", "0", "keyboard", "type", "b", "pane",
                              "kill", "SIGTERM", "keyboard", "type", "c"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> exits = device.events("exit", "keyboard");
    ASSERT_EQ(exits.size(), 1u) << "only SIGTERM ends the keyboard app";
    EXPECT_EQ(exits[0].str("signal"), "15");
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 2u);
}

TEST(SimulatedHost, OpensMailAndWebLinksAndSaysSo) {
    SimDevice device({});
    ASSERT_EQ(
        device.run({"pane", "mail", "dev@quarvo.example", "pane", "donate", "tap", "1"}).exitCode,
        0);
    std::vector<Event> opened = device.events("open_url");
    ASSERT_EQ(opened.size(), 2u);
    for (const Event& e : opened)
        EXPECT_EQ(e.str("opened"), "true") << e.line;
}

} // namespace
} // namespace e2e
