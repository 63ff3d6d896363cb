// Interactive mode, driven in a real terminal: tmux runs the simulator in a pane of its own,
// sends it keys and shows what is on screen. Skipped where tmux is not installed.
#include "SimDevice.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace e2e {
namespace {

// Refused without a terminal; in one, keys play notes, an alert waits for a digit, and the
// terminal is put back at the end.
TEST(Interactive, NeedsATerminalWhereKeysPlayNotesAlertsWaitForADigitAndModesAreRestored) {
    SimDevice device({"--enabled", "--instrument", "drums"});
    SimResult piped = device.run({"interactive"});
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_NE(piped.err.find("interactive mode needs a terminal"), std::string::npos) << piped.err;
    if (std::system("command -v tmux >/dev/null") != 0)
        GTEST_SKIP() << "tmux is not installed";
    std::filesystem::path events = device.scratch("interactive.jsonl");
    Tmux tmux(device.scratch("tmux.sock"), shellQuoted(TAPSONATA_SIM) + " run --root " +
                                               shellQuoted(device.root()) + " --events " +
                                               shellQuoted(events) + " --out none" + kShowTerminal);
    ASSERT_TRUE(tmux.shows("Ctrl-U unlocks")) << tmux.screen();
    tmux.type("hi");
    ASSERT_TRUE(tmux.shows("key i")) << tmux.screen();
    tmux.run("send-keys C-u");
    ASSERT_TRUE(tmux.shows("Press 0-1 to tap a button.")) << tmux.screen();
    // While the alert is up, other keys play nothing; a digit answers it.
    tmux.type("x0");
    ASSERT_TRUE(tmux.shows("[tap 0: No thanks!]")) << tmux.screen();
    tmux.type("!");
    ASSERT_TRUE(tmux.shows("key !")) << tmux.screen();
    tmux.run("send-keys C-d");
    ASSERT_TRUE(tmux.shows(kTerminalAfter)) << "raw mode or echo left on:\n" << tmux.screen();

    std::vector<Event> log = readEvents(events);
    EXPECT_EQ(values(only(log, "key"), "text"), (Strings{"h", "i", "!"}));
    EXPECT_EQ(instruments(only(log, "sound")), (Strings{"drums", "drums", "drums"}));
    EXPECT_EQ(only(log, "alert").size(), 1u);
    std::vector<Event> taps = only(log, "tap");
    ASSERT_EQ(taps.size(), 1u);
    EXPECT_EQ(taps[0].str("index"), "0");
}

} // namespace
} // namespace e2e
