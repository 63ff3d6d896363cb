// Process termination: a real killall against real processes this test starts, the argument
// vector through a fake launcher, and no zombies left behind.
#include "foundation/Number.h"
#include "foundation/ProcessLauncher.h"
#include "kit/QVKit.h"
#include "support/ChildProcesses.h"
#include "support/FakeProcessLauncher.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
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
        std::filesystem::copy_file("/bin/sleep", m_folder / m_name);
        const char* argv[] = {m_name.c_str(), "60", nullptr};
        if (posix_spawn(&m_pid, (m_folder / m_name).c_str(), nullptr, nullptr,
                        const_cast<char**>(argv), environ) != 0)
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

    // The signal that ended the process, or 0 when it did not end (by signal) within 20 s.
    // The limit only bounds a failure; a passing run ends as soon as the process does.
    int terminationSignal() {
        auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
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

TEST(ProcessTermination, KillsTheNamedProcessWithNineByDefaultOrTheNumberGiven) {
    Sleeper byDefault, byNumber;
    ASSERT_TRUE(byDefault.started() && byNumber.started());
    QVKillProcess(nullptr, NS::str(byDefault.name()).ptr());
    QVKillProcess(NS::Number::numberWithInt(SIGTERM).ptr(), NS::str(byNumber.name()).ptr());
    EXPECT_EQ(byDefault.terminationSignal(), SIGKILL);
    EXPECT_EQ(byNumber.terminationSignal(), SIGTERM);
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
        ASSERT_TRUE(request.environment.has_value());
        EXPECT_TRUE(request.environment->empty()) << "no environment list is passed";
    }
    using Args = std::vector<std::string>;
    EXPECT_EQ(requests[0].arguments, (Args{"killall", "-9", "Preferences"}));
    EXPECT_EQ(requests[1].arguments, (Args{"killall", "-15", "SpringBoard"}));
    EXPECT_EQ(requests[2].arguments, (Args{"killall", "--9", "x"}));
    EXPECT_EQ(requests[3].arguments, (Args{"killall", "-HUP"}));
}

TEST(ProcessTermination, NoZombiesRemainAfterTwoHundredCalls) {
    for (int i = 0; i < 200; ++i)
        QVKillProcess(nullptr, NS::str("qv-no-such-process").ptr());
    // Each killall ends at once on its own; only reaping clears what is left of it.
    for (int i = 0; i < 1500 && NS::unreapedChildCount() != 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(NS::unreapedChildCount(), 0u);
    EXPECT_TRUE(waitForNoZombies()) << zombieChildren().size() << " zombies";
}

} // namespace
