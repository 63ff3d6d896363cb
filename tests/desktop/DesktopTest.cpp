// `tapsonata-sim desktop` end to end: an X server of the test's own (Xvfb), keys typed into it
// by xdotool, heard through RECORD. Skipped only where Xvfb cannot start.
#include "SimDevice.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool eventually(const std::function<bool()>& done, std::chrono::seconds limit = 30s) {
    for (auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

pid_t spawn(std::vector<std::string> argv, const fs::path& out = "/dev/null") {
    std::vector<char*> cargv;
    cargv.reserve(argv.size() + 1);
    for (std::string& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, cargv[0], &actions, nullptr, cargv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// An X server on a free display, set as DISPLAY for this test and what it starts.
class Xvfb {
public:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"Xvfb", "-displayfd", "3", "-nolisten", "tcp", nullptr};
        if (posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ))
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char number[16] = {};
        pollfd p{fds[0], POLLIN, 0};
        if (m_pid > 0 && poll(&p, 1, 10000) == 1 && read(fds[0], number, 15) > 0)
            m_display = ":" + std::string(number, std::strcspn(number, "\n"));
        close(fds[0]);
        if (!m_display.empty())
            setenv("DISPLAY", m_display.c_str(), 1);
    }
    ~Xvfb() {
        unsetenv("DISPLAY");
        if (m_pid > 0 && kill(m_pid, SIGTERM) == 0)
            waitpid(m_pid, nullptr, 0);
    }
    bool up() const { return !m_display.empty(); }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Simulators whose command line names `root`: the desktop and its keyboard app.
int processesOf(const fs::path& root) {
    int n = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc"))
        if (fs::read_symlink(entry.path() / "exe", ec) == fs::path(TAPSONATA_SIM) &&
            slurp(entry.path() / "cmdline").find(root.string()) != std::string::npos)
            ++n;
    return n;
}

int type(const std::string& what, const std::string& text) {
    return std::system(("xdotool " + what + " --delay 40 '" + text + "'").c_str());
}

struct Desktop : testing::Test {
    void SetUp() override {
        if (!xvfb.up())
            GTEST_SKIP() << "Xvfb cannot start here";
    }
    size_t count(const std::string& event) { return only(readEvents(events), event).size(); }
    Xvfb xvfb;
    SimDevice device{{"--instrument", "violin"}};
    fs::path events = device.scratch("desktop.jsonl"), out = device.scratch("desktop.out");
};

TEST_F(Desktop, EachKeyTypedIsOneNoteInOrderAndWhatWasTypedGoesNowhere) {
    const std::string secret = "Tr0ub4dor&3";
    pid_t pid = spawn({TAPSONATA_SIM, "desktop", "--root", device.root(), "--input", "x11",
                       "--events", events, "--out", "none"},
                      out);
    ASSERT_TRUE(eventually([&] { return slurp(out).find("Listening") != std::string::npos; }))
        << slurp(out);
    ASSERT_EQ(type("type", secret), 0);
    ASSERT_EQ(type("key", "BackSpace"), 0);
    ASSERT_TRUE(eventually([&] { return count("sound") == secret.size() + 1; })) << slurp(out);
    // A new instrument from the settings pane, then SIGHUP: each starts the keyboard app anew.
    SimResult pane = device.run({"pane", "instrument", "drums"});
    ASSERT_EQ(pane.exitCode, 0) << pane.err;
    ASSERT_TRUE(eventually([&] { return only(readEvents(events), "loaded").size() == 2; }));
    ASSERT_EQ(type("type", "ab"), 0);
    ASSERT_TRUE(eventually([&] { return count("sound") == secret.size() + 3; })) << slurp(out);
    kill(pid, SIGHUP);
    ASSERT_TRUE(eventually([&] { return only(readEvents(events), "loaded").size() == 3; }));
    EXPECT_GE(processesOf(device.root()), 2); // the desktop and its keyboard app
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << slurp(out);
    EXPECT_EQ(processesOf(device.root()), 0);

    std::vector<std::string> seen;
    std::vector<Event> log = readEvents(events);
    for (const Event& e : log)
        if (e.name() == "key" || e.name() == "sound")
            seen.push_back(e.name() == "key"
                               ? e.str("click")
                               : fs::path(e.str("file")).parent_path().filename().string());
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < secret.size() + 3; ++i)
        expected.insert(expected.end(), {i == secret.size() ? "1105" : "1104",
                                         i <= secret.size() ? "violin" : "drums"});
    EXPECT_EQ(seen, expected);
    for (const Event& e : only(log, "key"))
        EXPECT_FALSE(e.field("text")) << e.line;
    // Not on the screen, in the log, or in any file of the device; and no WAV unasked.
    for (const auto& entry : fs::recursive_directory_iterator(device.scratch("")))
        if (entry.is_regular_file()) {
            EXPECT_EQ(slurp(entry.path()).find("ub4do"), std::string::npos) << entry.path();
            EXPECT_NE(entry.path().extension(), ".wav") << entry.path();
        }
}

TEST_F(Desktop, CtrlCInATerminalLeavesNoProcessAndTheTerminalAsItWas) {
    if (std::system("command -v tmux >/dev/null") != 0)
        GTEST_SKIP() << "tmux is not installed";
    const std::string tmux = "tmux -S " + device.scratch("tmux").string() + " ";
    const std::string command = std::string(TAPSONATA_SIM) +
                                " desktop --input x11 --out none --root " + device.root().string() +
                                "; echo EXIT=$?; stty -a | tr ' ;' '\\n\\n' | grep -x -- "
                                "'-\\?icanon\\|-\\?echo'; sleep 60";
    ASSERT_EQ(std::system(
                  (tmux + "-f /dev/null new-session -d -x 150 -y 40 \"" + command + "\"").c_str()),
              0);
    auto screen = [&] {
        std::system((tmux + "capture-pane -p > " + device.scratch("screen").string()).c_str());
        return slurp(device.scratch("screen"));
    };
    EXPECT_TRUE(eventually([&] { return screen().find("Ctrl-C stops") != std::string::npos; }))
        << screen();
    // Keys typed into its own terminal are never echoed; keys on the display are heard.
    std::system((tmux + "send-keys -l hunter2").c_str());
    ASSERT_EQ(type("type", "x"), 0);
    EXPECT_TRUE(eventually([&] { return screen().find("key (1104)") != std::string::npos; }));
    std::system((tmux + "send-keys C-c").c_str());
    EXPECT_TRUE(eventually([&] { return screen().find("EXIT=0") != std::string::npos; }))
        << screen();
    std::string shown = screen();
    std::system((tmux + "kill-server").c_str());
    EXPECT_EQ(shown.find("hunter2"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\nicanon"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\necho"), std::string::npos) << shown;
    EXPECT_EQ(processesOf(device.root()), 0);
}

TEST(DesktopLine, UsageErrors) {
    for (auto [args, error] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--input", "wayland"}, "--input wayland: want evdev or x11"},
             {{"--instrument", "kazoo"}, "--instrument kazoo: want bass"},
             {{"--pace", "5"}, "unknown option: --pace"},
             {{"type", "hi"}, "desktop takes no actions: type"}}) {
        args.insert(args.begin(), "desktop");
        SimResult r = runSim(args);
        EXPECT_EQ(r.exitCode, 2) << args[1];
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace e2e
