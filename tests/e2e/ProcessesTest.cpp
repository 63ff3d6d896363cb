// The library loads into every simulated process, each a real process of its own: what each
// logs and how that is shown, and how a setting reaches the keyboard app only when the library
// loads again.
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
    std::size_t logLinesShown;
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

    std::size_t shown = 0;
    for (std::size_t at = 0; (at = r.out.find(kMissingClassLine, at)) != std::string::npos; ++at)
        ++shown;
    EXPECT_EQ(shown, v.logLinesShown) << r.out;
    EXPECT_EQ(r.out.find("1 more log line") != std::string::npos, v.countShown) << r.out;
    EXPECT_NE(r.out.find("3 keys, 3 sounds, no errors"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Processes, EachVerbosity,
                         testing::Values(Verbosity{"Normal", {}, 1, true},
                                         Verbosity{"Verbose", {"--verbose"}, 2, false},
                                         Verbosity{"Quiet", {"--quiet"}, 0, false}),
                         [](const auto& info) { return info.param.name; });

TEST(Processes, AChangedSettingReachesTheKeyboardAppOnlyWhenItStartsAgain) {
    SimDevice device({"--enabled", "--instrument", "piano"});
    SimResult r =
        device.run({"type",       "a",     "pane",     "instrument", "violin", "type", "b",
                    "pane",       "kill",  "9",        "keyboard",   "type",   "c",    "pane",
                    "instrument", "drums", "relaunch", "keyboard",   "type",   "d"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(instruments(device.events("sound", "keyboard")),
              (Strings{"piano", "piano", "violin", "drums"}));
    std::vector<Event> writes = device.events("settings_write", "pane");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].str("key"), "instrument");
    EXPECT_EQ(writes[0].str("value"), "5");

    std::vector<Event> spawned = device.events("spawn", "pane");
    ASSERT_EQ(spawned.size(), 1u);
    EXPECT_EQ(spawned[0].str("path"), "/usr/bin/killall");
    EXPECT_EQ(spawned[0].str("arguments"), jsonArray({"killall", "-9", "keyboard"}));
    std::vector<Event> exits = device.events("exit", "keyboard");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].str("signal"), "9");
    EXPECT_EQ(device.events("loaded", "keyboard").size(), 3u);
}

} // namespace
} // namespace e2e
