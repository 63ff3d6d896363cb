// What the simulated device's killall does for the library, with each way of naming a signal.
// (The links it opens are checked with the pane.)
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

// Signal 0 and harmless signals end nothing, a name no process has signals nothing, stopping
// is refused, and a name alone sends 9; SIGTERM ends the process, which starts again.
TEST(SimulatedHost, KillallEndsOnlyWhatItsSignalAndNameSay) {
    SimDevice device({"--enabled"});
    SimResult r = device.run(
        {"type", "a",        "pane",    "kill",     "0",     "keyboard",    "type",  "b",
         "pane", "kill",     "SIGTERM", "keyboard", "type",  "c",           "pane",  "kill",
         "9",    "nothing",  "pane",    "kill",     "WINCH", "keyboard",    "pane",  "kill",
         "STOP", "keyboard", "unlock",  "pane",     "kill",  "SpringBoard", "unlock"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> exits = device.events("exit", "keyboard");
    ASSERT_EQ(exits.size(), 1u) << "only SIGTERM ends the keyboard app";
    EXPECT_EQ(exits[0].str("signal"), "15");
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 2u);
    std::vector<Event> killall = device.events("killall", "simulator");
    ASSERT_EQ(killall.size(), 6u);
    EXPECT_EQ(killall[2].str("signalled"), "[]");
    EXPECT_EQ(killall[3].str("signalled"), jsonArray({"keyboard"}));
    EXPECT_EQ(killall[3].str("signal"), "28");
    EXPECT_EQ(killall[4].str("problem"), "stopping a process is not simulated");
    EXPECT_EQ(device.events("spawn").back().str("arguments"),
              jsonArray({"killall", "-9", "SpringBoard"}));
    exits = device.events("exit", "springboard");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].str("signal"), "9");
    EXPECT_EQ(device.events("alert").size(), 1u) << "the new SpringBoard read firstUse NO";
}

} // namespace
} // namespace e2e
