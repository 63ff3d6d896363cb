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

    // Each run is killall itself, with no environment list; the vectors, in order.
    using Args = std::vector<std::string>;
    std::vector<Args> seen;
    for (const NS::LaunchRequest& request : launcher->requests()) {
        EXPECT_EQ(request.path, "/usr/bin/killall");
        EXPECT_EQ(request.environment, std::optional(Args{}));
        seen.push_back(request.arguments);
    }
    EXPECT_EQ(seen, (std::vector<Args>{{"killall", "-9", "Preferences"},
                                       {"killall", "-15", "SpringBoard"},
                                       {"killall", "--9", "x"},
                                       {"killall", "-HUP"}}));
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
