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
    friend void PrintTo(const Verbosity& row, std::ostream* os) { *os << row.name; }
};

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
    EXPECT_EQ(values(device.events("settings_write", "pane"), "value"), (Strings{"5", "2"}));
    std::vector<Event> killall = device.events("killall", "simulator");
    EXPECT_EQ(values(killall, "signal"), (Strings{"0", "15", "9", "28", "19", "9"}));
    EXPECT_EQ(values(killall, "signalled"),
              (Strings{R"(["keyboard"])", R"(["keyboard"])", "[]", R"(["keyboard"])", "[]",
                       R"(["springboard"])"}));
    EXPECT_EQ(values(killall, "problem"), (Strings{"null", "null", "null", "null",
                                                   "stopping a process is not simulated", "null"}));
    std::vector<Event> exits = device.events("exit");
    EXPECT_EQ(values(exits, "process"), (Strings{"keyboard", "springboard"}));
    EXPECT_EQ(values(exits, "signal"), (Strings{"15", "9"}));
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 3u);
    EXPECT_EQ(
        device.events("spawn", "pane").back().line,
        R"({"event":"spawn","path":"/usr/bin/killall","arguments":["killall","-9","SpringBoard"],"process":"pane"})");
    EXPECT_EQ(device.events("alert").size(), 1u) << "firstUse NO survived the pane's write";
}

} // namespace
} // namespace e2e
