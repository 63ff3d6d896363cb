// Interactive mode, driven in a real terminal: tmux runs the simulator in a pane of its own,
// sends it keys and shows what is on screen. Skipped where tmux is not installed.
#include "SimDevice.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;

bool haveTmux() {
    return std::system("command -v tmux >/dev/null 2>&1") == 0;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A tmux server of this test's own (its own socket), with one window running a command.
class Tmux {
public:
    Tmux(const std::filesystem::path& socket, const std::string& command) : m_socket(socket) {
        EXPECT_EQ(tmux("-f /dev/null new-session -d -x 110 -y 60 " + shellQuoted(command)), 0);
    }
    ~Tmux() { tmux("kill-server"); }

    int sendKeys(const std::string& keys) { return tmux("send-keys " + keys); }
    int sendText(const std::string& text) { return tmux("send-keys -l " + shellQuoted(text)); }

    std::string screen() const {
        std::string file = m_socket.string() + ".screen";
        const_cast<Tmux*>(this)->tmux("capture-pane -p -S -200 > " + shellQuoted(file));
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Waits until the screen shows `text`; false when it did not within the limit.
    bool waitFor(const std::string& text, std::chrono::seconds limit = 30s) const {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (screen().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

private:
    int tmux(const std::string& arguments) {
        return std::system(("tmux -S " + shellQuoted(m_socket.string()) + " " + arguments).c_str());
    }
    std::filesystem::path m_socket;
};

TEST(Interactive, KeysPlayNotesAlertsWaitForADigitAndTheTerminalIsRestored) {
    if (!haveTmux())
        GTEST_SKIP() << "tmux is not installed";
    SimDevice device({"--enabled", "--instrument", "drums"});
    std::filesystem::path events = device.scratch("interactive.jsonl");
    std::string command = shellQuoted(TAPSONATA_SIM) + " run --root " + shellQuoted(device.root()) +
                          " --events " + shellQuoted(events) +
                          " --out none; echo \"EXIT=$?\"; stty -a | tr ' ;' '\\n\\n' | grep -x "
                          "-- '-\\?icanon\\|-\\?echo'; sleep 60";
    Tmux tmux(device.scratch("tmux.sock"), command);

    ASSERT_TRUE(tmux.waitFor("Ctrl-U unlocks")) << tmux.screen();
    tmux.sendText("hi");
    ASSERT_TRUE(tmux.waitFor("key i")) << tmux.screen();
    tmux.sendKeys("C-u");
    ASSERT_TRUE(tmux.waitFor("Press 0-1 to tap a button.")) << tmux.screen();
    // While the alert is up, other keys play nothing; a digit answers it.
    tmux.sendText("x");
    tmux.sendText("0");
    ASSERT_TRUE(tmux.waitFor("[tap 0: No thanks!]")) << tmux.screen();
    tmux.sendText("!");
    ASSERT_TRUE(tmux.waitFor("key !")) << tmux.screen();
    tmux.sendKeys("C-d");
    ASSERT_TRUE(tmux.waitFor("EXIT=0")) << tmux.screen();
    ASSERT_TRUE(tmux.waitFor("echo")) << tmux.screen();
    std::string screen = tmux.screen();
    EXPECT_NE(screen.find("\nicanon"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("-icanon"), std::string::npos) << "raw mode left on:\n" << screen;
    EXPECT_EQ(screen.find("-echo\n"), std::string::npos) << "echo left off:\n" << screen;

    std::vector<Event> log = readEvents(events);
    std::vector<std::string> keys;
    for (const Event& e : only(log, "key"))
        keys.push_back(e.str("text"));
    EXPECT_EQ(keys, (std::vector<std::string>{"h", "i", "!"}));
    std::vector<Event> sounds = only(log, "sound");
    ASSERT_EQ(sounds.size(), 3u);
    for (const Event& e : sounds)
        EXPECT_EQ(e.str("file").rfind("/Library/Application Support/Tapsonata/drums/", 0), 0u);
    EXPECT_EQ(only(log, "alert").size(), 1u);
    std::vector<Event> taps = only(log, "tap");
    ASSERT_EQ(taps.size(), 1u);
    EXPECT_EQ(taps[0].str("index"), "0");
}

TEST(Interactive, NeedsATerminal) {
    SimDevice device({});
    SimResult r = device.run({"interactive"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("interactive mode needs a terminal"), std::string::npos) << r.err;
    SimResult none = device.run({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no actions, and no terminal"), std::string::npos) << none.err;
}

} // namespace
} // namespace e2e
