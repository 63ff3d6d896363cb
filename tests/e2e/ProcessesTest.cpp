// The library loads into every simulated process, each a real process of its own: what each
// logs and how that is shown, how a setting reaches the keyboard app only when the library
// loads again, and what the simulated killall ends.
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

const std::string kMissingClassLine =
    "[Tapsonata: Tweak:257] ERROR: logos: nil class SBLockScreenManager";

// Two keyboard apps and a SpringBoard load the library: only the keyboard apps log, the same
// line each time, which the summary shows once and then counts, unless verbose; quiet shows
// nothing but the closing line.
struct Verbosity {
    std::string name;
    std::vector<std::string> flags;
    int logLinesShown;
    bool countShown;
};

void PrintTo(const Verbosity& v, std::ostream* os) {
    *os << v.name;
}

class EachVerbosity : public testing::TestWithParam<Verbosity> {};

TEST_P(EachVerbosity, ShowsTheTweaksLogLinesAsAsked) {
    const Verbosity& v = GetParam();
    SimDevice device({"--enabled"});
    std::vector<std::string> args = v.flags;
    args.insert(args.end(),
                {"type", "hi", "unlock", "tap", "0", "relaunch", "keyboard", "type", "b"});
    SimResult r = device.run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Event> logs = device.events("log", "keyboard");
    EXPECT_EQ(values(logs, "text"), Strings(2, kMissingClassLine));
    EXPECT_EQ(values(logs, "level"), Strings(2, "3"));
    EXPECT_TRUE(device.events("log", "springboard").empty());
    for (const Event& e : device.events())
        EXPECT_FALSE(e.process().empty()) << "every event names its process: " << e.line;
    EXPECT_EQ(device.events("sound", "keyboard").size(), 3u) << "the click hook works all the same";

    EXPECT_EQ(occurrences(r.out, kMissingClassLine), v.logLinesShown) << r.out;
    EXPECT_EQ(r.out.find("1 more log line") != std::string::npos, v.countShown) << r.out;
    EXPECT_NE(r.out.find("3 keys, 3 sounds, no errors"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Processes, EachVerbosity,
                         testing::Values(Verbosity{"Normal", {}, 1, true},
                                         Verbosity{"Verbose", {"--verbose"}, 2, false},
                                         Verbosity{"Quiet", {"--quiet"}, 0, false}),
                         [](const auto& info) { return info.param.name; });

// A changed setting reaches the keyboard app only when it starts again. The simulated killall:
// signal 0 and harmless signals end nothing, a name no process has signals nothing, stopping is
// refused, and a name alone sends 9; SIGTERM ends the process, which starts again. The pane's
// writes keep what SpringBoard stored in the same file.
TEST(Processes, ASettingWaitsForARestartAndKillallEndsOnlyWhatItsSignalAndNameSay) {
    SimDevice device({"--enabled", "--instrument", "piano"});
    // clang-format off
    SimResult r = device.run({
        "type", "a", "pane", "instrument", "violin", "type", "b", "pane", "kill", "0", "keyboard",
        "type", "c", "pane", "kill", "SIGTERM", "keyboard", "type", "d", "pane", "kill", "9",
        "nothing", "pane", "kill", "WINCH", "keyboard", "pane", "kill", "STOP", "keyboard",
        "unlock", "pane", "instrument", "drums", "relaunch", "keyboard", "type", "e",
        "pane", "kill", "SpringBoard", "unlock"});
    // clang-format on
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(instruments(device.events("sound", "keyboard")),
              (Strings{"piano", "piano", "piano", "violin", "drums"}));
    std::vector<Event> writes = device.events("settings_write", "pane");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].str("key") + "=" + writes[0].str("value"), "instrument=5");

    std::vector<Event> exits = device.events("exit", "keyboard");
    ASSERT_EQ(exits.size(), 1u) << "only SIGTERM ends the keyboard app";
    EXPECT_EQ(exits[0].str("signal"), "15");
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 3u);
    std::vector<Event> killall = device.events("killall", "simulator");
    ASSERT_EQ(killall.size(), 6u);
    EXPECT_EQ(killall[2].str("signalled"), "[]");
    EXPECT_EQ(killall[3].str("signalled"), jsonArray({"keyboard"}));
    EXPECT_EQ(killall[3].str("signal"), "28");
    EXPECT_EQ(killall[4].str("problem"), "stopping a process is not simulated");
    std::vector<Event> spawned = device.events("spawn", "pane");
    ASSERT_EQ(spawned.size(), 6u);
    EXPECT_EQ(spawned[5].str("path"), "/usr/bin/killall");
    EXPECT_EQ(spawned[5].str("arguments"), jsonArray({"killall", "-9", "SpringBoard"}));
    exits = device.events("exit", "springboard");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].str("signal"), "9");
    EXPECT_EQ(device.events("alert").size(), 1u) << "firstUse NO survived the pane's write";
}

} // namespace
} // namespace e2e
