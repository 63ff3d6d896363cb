// `tapsonata-sim desktop` end to end: an X server of the test's own (Xvfb), keys typed into it
// by xdotool, heard through RECORD. Skipped only where Xvfb cannot start.
#include "SimDevice.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace e2e {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

int shell(const std::string& command) {
    return std::system(command.c_str());
}

// An X server on a free display, which becomes this test's DISPLAY (never the display of
// whoever runs the tests).
struct Xvfb {
    explicit Xvfb(const fs::path& folder) : display(folder / "display"), pid(folder / "xvfb.pid") {
        unsetenv("DISPLAY");
        shell("command -v Xvfb >/dev/null && { Xvfb -displayfd 1 -nolisten tcp >" +
              display.string() + " 2>/dev/null & echo $! >" + pid.string() + "; }");
        if (eventually([&] { return slurp(display).find('\n') != std::string::npos; }, 10s))
            setenv("DISPLAY", (":" + std::to_string(std::stoi(slurp(display)))).c_str(), 1);
    }
    ~Xvfb() {
        unsetenv("DISPLAY");
        shell("kill $(cat " + pid.string() + ") 2>/dev/null");
    }
    fs::path display, pid;
};

// The simulators started on `root`: the desktop first, then its keyboard app.
std::vector<pid_t> simulatorsOn(const fs::path& root) {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string line = slurp(entry.path() / "cmdline");
        if (fs::read_symlink(entry.path() / "exe", ec) == fs::path(TAPSONATA_SIM) &&
            line.find(root.string()) != std::string::npos)
            pids.insert(line.find("desktop") != std::string::npos ? pids.begin() : pids.end(),
                        std::stoi(entry.path().filename()));
    }
    return pids;
}

int xdotool(const std::string& what, const std::string& keys) {
    return shell("xdotool " + what + " --delay 40 '" + keys + "'");
}

struct Desktop : testing::Test {
    void SetUp() override {
        if (!getenv("DISPLAY"))
            GTEST_SKIP() << "Xvfb cannot start here";
    }
    std::size_t count(const std::string& event) { return only(readEvents(log), event).size(); }
    SimDevice device{{"--instrument", "violin"}};
    Xvfb xvfb{device.scratch("")};
    fs::path log = device.scratch("desktop.jsonl");
};

TEST_F(Desktop, EachKeyIsOneNoteInOrderRestartsOnSettingsAndSIGHUPAndTheSecretGoesNowhere) {
    const std::string secret = "Tr0ub4dor&3";
    SimResult desktop;
    std::jthread run([&] { // joined on any early return: the simulator ends within its bound
        desktop = runSim({"desktop", "--root", device.root(), "--input", "x11", "--events",
                          log.string(), "--out", "none"});
    });
    ASSERT_TRUE(eventually([&] { return count("loaded") == 1; }));
    EXPECT_EQ(xdotool("type", secret) + xdotool("key", "BackSpace"), 0);
    EXPECT_TRUE(eventually([&] { return count("sound") == secret.size() + 1; }));
    // A new instrument from the settings pane, then SIGHUP: each starts the keyboard app anew.
    SimResult pane = device.run({"pane", "instrument", "drums"});
    EXPECT_TRUE(eventually([&] { return count("loaded") == 2; })) << pane.err;
    EXPECT_EQ(xdotool("type", "ab"), 0);
    EXPECT_TRUE(eventually([&] { return count("sound") == secret.size() + 3; }));
    const pid_t pid = simulatorsOn(device.root()).at(0);
    kill(pid, SIGHUP);
    EXPECT_TRUE(eventually([&] { return count("loaded") == 3; }));
    kill(pid, SIGTERM);
    run.join();
    EXPECT_EQ(desktop.exitCode, 0) << desktop.err;
    EXPECT_TRUE(simulatorsOn(device.root()).empty());

    std::vector<std::string> heard, expected;
    for (const Event& e : readEvents(log))
        if (e.name() == "key" || e.name() == "sound")
            heard.push_back(e.name() == "key"
                                ? e.str("click") + e.str("text")
                                : fs::path(e.str("file")).parent_path().filename().string());
    for (std::size_t i = 0; i < secret.size() + 3; ++i)
        expected.insert(expected.end(), {i == secret.size() ? "1105" : "1104",
                                         i <= secret.size() ? "violin" : "drums"});
    EXPECT_EQ(heard, expected);
    // Not on the screen, in the log or in any file; and no WAV unasked.
    EXPECT_EQ((desktop.out + desktop.err).find("ub4do"), std::string::npos) << desktop.out;
    for (const auto& entry : fs::recursive_directory_iterator(device.scratch("")))
        if (entry.is_regular_file()) {
            EXPECT_EQ(slurp(entry.path()).find("ub4do"), std::string::npos) << entry.path();
            EXPECT_NE(entry.path().extension(), ".wav") << entry.path();
        }
}

TEST_F(Desktop, CtrlCAndSIGTERMInATerminalLeaveNoProcessAndTheTerminalAsItWas) {
    if (shell("command -v tmux >/dev/null") != 0)
        GTEST_SKIP() << "tmux is not installed";
    {
        // Twice, ended by Ctrl-C and then by SIGTERM.
        Tmux tmux(device.scratch("tmux"), "for i in 1 2; do " + std::string(TAPSONATA_SIM) +
                                              " desktop --input x11 --out none --root " +
                                              device.root().string() + kShowTerminal + "; done");
        EXPECT_TRUE(tmux.shows("Ctrl-C stops", 1));
        tmux.type("hunter2"); // typed into its own terminal: never echoed
        tmux.run("send-keys C-c");
        EXPECT_TRUE(tmux.shows("Ctrl-C stops", 2));
        kill(simulatorsOn(device.root()).at(0), SIGTERM);
        EXPECT_TRUE(tmux.shows(kTerminalAfter, 2));
        EXPECT_TRUE(tmux.shows("hunter2", 0));
    }
    EXPECT_TRUE(simulatorsOn(device.root()).empty());
}

} // namespace
} // namespace e2e
