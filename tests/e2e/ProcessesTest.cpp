// The library loads into every simulated process, each a real process of its own: what each
// logs, and how a setting reaches the keyboard app only when the library loads again.
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

const std::string kMissingClassLine =
    "[Tapsonata: Tweak:257] ERROR: logos: nil class SBLockScreenManager";

std::vector<std::string> instrumentsPlayed(const std::vector<Event>& sounds) {
    std::vector<std::string> out;
    const std::string prefix = "/Library/Application Support/Tapsonata/";
    for (const Event& e : sounds) {
        std::string file = e.str("file");
        out.push_back(
            file.rfind(prefix, 0) == 0
                ? file.substr(prefix.size(), file.find('/', prefix.size()) - prefix.size())
                : file);
    }
    return out;
}

TEST(Processes, AKeyboardAppLogsOnlyTheMissingClass) {
    SimDevice device({"--enabled"});
    SimResult r = device.run({"type", "hi"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> logs = device.events("log", "keyboard");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].str("text"), kMissingClassLine);
    EXPECT_EQ(logs[0].str("level"), "3");
    // The hook on clicks works all the same.
    EXPECT_EQ(device.events("sound", "keyboard").size(), 2u);
}

TEST(Processes, SpringBoardLogsNothing) {
    SimDevice device({"--enabled"});
    ASSERT_EQ(device.run({"unlock", "tap", "0"}).exitCode, 0);
    EXPECT_EQ(device.events("loaded", "springboard").size(), 1u);
    EXPECT_TRUE(device.events("log", "springboard").empty());
}

TEST(Processes, AChangedSettingReachesTheKeyboardAppOnlyWhenItStartsAgain) {
    SimDevice device({"--enabled", "--instrument", "piano"});
    SimResult r = device.run({"type", "a", "pane", "instrument", "violin", "type", "b", "pane",
                              "kill", "9", "keyboard", "type", "c"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(instrumentsPlayed(device.events("sound", "keyboard")),
              (std::vector<std::string>{"piano", "piano", "violin"}));
    std::vector<Event> writes = device.events("settings_write", "pane");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].str("key"), "instrument");
    EXPECT_EQ(writes[0].str("value"), "5");

    std::vector<Event> spawned = device.events("spawn", "pane");
    ASSERT_EQ(spawned.size(), 1u);
    EXPECT_EQ(spawned[0].str("path"), "/usr/bin/killall");
    EXPECT_EQ(spawned[0].str("arguments"), jsonArray({"killall", "-9", "keyboard"}));
    std::vector<Event> exits = device.events("exit", "keyboard");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].str("signal"), "9");
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 2u);
}

TEST(Processes, KillallWithoutASignalSendsNine) {
    SimDevice device({"--enabled"});
    ASSERT_EQ(device.run({"unlock", "pane", "kill", "SpringBoard", "unlock"}).exitCode, 0);
    EXPECT_EQ(device.events("spawn")[0].str("arguments"),
              jsonArray({"killall", "-9", "SpringBoard"}));
    std::vector<Event> exits = device.events("exit", "springboard");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].str("signal"), "9");
    EXPECT_EQ(device.events("loaded", "springboard").size(), 2u);
    EXPECT_EQ(device.events("alert").size(), 1u) << "the new SpringBoard read firstUse NO";
}

TEST(Processes, KillallLeavesOtherNamesAndHarmlessSignalsAlone) {
    SimDevice device({"--enabled"});
    ASSERT_EQ(device
                  .run({"type", "a", "pane", "kill", "9", "nothing", "pane", "kill", "WINCH",
                        "keyboard", "pane", "kill", "STOP", "keyboard", "type", "b"})
                  .exitCode,
              0);
    EXPECT_TRUE(device.events("exit").empty());
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 1u);
    std::vector<Event> killall = device.events("killall", "simulator");
    ASSERT_EQ(killall.size(), 3u);
    EXPECT_EQ(killall[0].str("signalled"), "[]");
    EXPECT_EQ(killall[1].str("signalled"), jsonArray({"keyboard"}));
    EXPECT_EQ(killall[1].str("signal"), "28");
    EXPECT_EQ(killall[2].str("problem"), "stopping a process is not simulated");
}

TEST(Processes, RelaunchingTheKeyboardAppReadsTheSettingsAgain) {
    SimDevice device({"--enabled", "--instrument", "bass"});
    ASSERT_EQ(
        device
            .run({"type", "a", "pane", "instrument", "drums", "relaunch", "keyboard", "type", "b"})
            .exitCode,
        0);
    EXPECT_EQ(instrumentsPlayed(device.events("sound", "keyboard")),
              (std::vector<std::string>{"bass", "drums"}));
}

} // namespace
} // namespace e2e
