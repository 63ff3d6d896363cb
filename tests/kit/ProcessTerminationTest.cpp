// Process termination: the argument vector through a fake launcher, and no zombies left
// behind by real killall runs. What a signal does to a process is checked end to end.
#include "foundation/Number.h"
#include "foundation/ProcessLauncher.h"
#include "kit/QVKit.h"
#include "support/FakeProcessLauncher.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

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
    // Then no child of ours is left, running or ended: an unreaped one would be a zombie.
    pid_t left = 0;
    for (int i = 0; i < 1000 && (left = waitpid(-1, nullptr, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(left, -1) << "child " << left << " was never reaped";
}

} // namespace
