// Process termination: a real killall against a real process this test starts, the argument
// vector through a fake launcher, and no zombies left behind.
#include "foundation/Number.h"
#include "foundation/ProcessLauncher.h"
#include "kit/QVKit.h"
#include "support/ChildProcesses.h"
#include "support/FakeProcessLauncher.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A copy of /bin/sleep under a name no other process has, started by this test.
class Sleeper {
public:
    Sleeper() {
        static int counter = 0;
        // At most 15 characters: the kernel's process names are cut there.
        m_name = "qvs" + std::to_string(::getpid()) + "n" + std::to_string(++counter);
        char folder[] = "/tmp/tapsonata-kill-XXXXXX";
        if (!mkdtemp(folder))
            return;
        m_folder = folder;
        std::filesystem::path program = m_folder / m_name;
        std::filesystem::copy_file("/bin/sleep", program);
        const char* argv[] = {m_name.c_str(), "60", nullptr};
        if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            m_pid = -1;
    }
    ~Sleeper() {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    const std::string& name() const { return m_name; }
    bool started() const { return m_pid > 0; }

    // The signal that ended the process, or 0 when it did not end (by signal) within `limit`.
    // The limit only bounds a failure; a passing run ends as soon as the process does.
    int terminationSignal(std::chrono::milliseconds limit = 20s) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_reaped = true;
                return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            }
            std::this_thread::sleep_for(10ms);
        }
        return 0;
    }

private:
    std::string m_name;
    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    bool m_reaped = false;
};

TEST(ProcessTermination, KillsTheNamedProcessWithSignalNineByDefault) {
    Sleeper sleeper;
    ASSERT_TRUE(sleeper.started());
    QVKillProcess(nullptr, NS::str(sleeper.name()).ptr());
    EXPECT_EQ(sleeper.terminationSignal(), SIGKILL);
}

TEST(ProcessTermination, ANumberObjectIsTheSignal) {
    Sleeper sleeper;
    ASSERT_TRUE(sleeper.started());
    QVKillProcess(NS::Number::numberWithInt(SIGTERM).ptr(), NS::str(sleeper.name()).ptr());
    EXPECT_EQ(sleeper.terminationSignal(), SIGTERM);
}

TEST(ProcessTermination, ASignalNameIsTheSignal) {
    Sleeper sleeper;
    ASSERT_TRUE(sleeper.started());
    QVKillProcess(NS::str("HUP").ptr(), NS::str(sleeper.name()).ptr());
    EXPECT_EQ(sleeper.terminationSignal(), SIGHUP);
}

TEST(ProcessTermination, ArgumentVectorThroughTheLauncher) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    QVKillProcess(nullptr, NS::str("Preferences").ptr());
    QVKillProcess(NS::Number::numberWithInt(15).ptr(), NS::str("SpringBoard").ptr());
    QVKillProcess(NS::str("-9").ptr(), NS::str("x").ptr());
    QVKillProcess(NS::str("HUP").ptr(), nullptr);

    std::vector<NS::LaunchRequest> requests = launcher->requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const NS::LaunchRequest& request : requests) {
        EXPECT_EQ(request.path, "/usr/bin/killall");
        EXPECT_EQ(request.standardOutput, -1);
        // No environment list is passed.
        ASSERT_TRUE(request.environment.has_value());
        EXPECT_TRUE(request.environment->empty());
    }
    using Args = std::vector<std::string>;
    EXPECT_EQ(requests[0].arguments, (Args{"killall", "-9", "Preferences"}));
    EXPECT_EQ(requests[1].arguments, (Args{"killall", "-15", "SpringBoard"}));
    EXPECT_EQ(requests[2].arguments, (Args{"killall", "--9", "x"}));
    EXPECT_EQ(requests[3].arguments, (Args{"killall", "-HUP"}));
}

TEST(ProcessTermination, AFailedSpawnIsNotReported) {
    auto launcher = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope(launcher);
    launcher->failWith(ENOENT);
    QVKillProcess(nullptr, NS::str("x").ptr());
    EXPECT_EQ(launcher->requests().size(), 1u);
}

// Every process whose parent is this one, zombies included.
std::size_t childCount() {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == ::getpid())
            ++count;
    }
    return count;
}

TEST(ProcessTermination, NoZombiesRemainAfterTwoHundredCalls) {
    for (int i = 0; i < 200; ++i)
        QVKillProcess(nullptr, NS::str("qv-no-such-process").ptr());
    // Each killall ends at once on its own. A child that is not reaped stays as a zombie, so
    // only reaping lets the count of children reach zero.
    auto deadline = std::chrono::steady_clock::now() + 30s;
    while ((childCount() != 0 || NS::unreapedChildCount() != 0) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(childCount(), 0u);
    EXPECT_TRUE(zombieChildren().empty());
    EXPECT_EQ(NS::unreapedChildCount(), 0u);
}

} // namespace
