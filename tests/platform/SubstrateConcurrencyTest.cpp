// Hooks installed while other threads are calling: every call lands somewhere valid, and a
// replacement always finds its saved entry already written.
#include "fixtures/Threads.h"
#include "substrate/Hookable.h"
#include "substrate/Substrate.h"

#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

int busy(int x);

namespace {
int busyImpl(int x) {
    return x;
}
} // namespace

SUBSTRATE_HOOKABLE(g_busySlot, busy, busyImpl);
int busy(int x) {
    return substrate::call(g_busySlot, x);
}

namespace {

constexpr int kThreads = 8;
constexpr int kHooks = 6;

using Fn = int (*)(int);

// Each hook adds its own bit on top of what its saved entry returns, so a result tells exactly
// which chain a call went through: always a prefix of the hooks installed so far.
std::array<Fn, kHooks> g_saved{};

template <int N>
int hook(int x) {
    return g_saved[N](x) | (1 << (N + 8));
}

static_assert(kHooks == 6, "one hook function per hook");
constexpr std::array<Fn, kHooks> kHookFunctions = {&hook<0>, &hook<1>, &hook<2>,
                                                   &hook<3>, &hook<4>, &hook<5>};

bool isAPrefixChain(int result) {
    int bits = result >> 8;
    return (bits & (bits + 1)) == 0 && (result & 0xff) == 1; // 0, 1, 11, 111, ...
}

TEST(HookFunctionConcurrency, CallsFromEightThreadsWhileHookingAlwaysFindASavedEntry) {
    Fn early = &busy; // taken before any hook
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    // The last thread installs the hooks while the others call.
    fixtures::onThreads(kThreads + 1, [&](int t) {
        if (t == kThreads) {
            for (int n = 0; n < kHooks; ++n) {
                MSHookFunction(&busy, kHookFunctions[n], &g_saved[n]);
                std::this_thread::yield();
            }
            done.store(true, std::memory_order_release);
        }
        while (!done.load(std::memory_order_acquire))
            if (!isAPrefixChain((t % 2 ? early : &busy)(1)))
                ++bad;
    });

    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(busy(1), 1 | (((1 << kHooks) - 1) << 8)); // every hook, newest first
    EXPECT_EQ(early(1), busy(1));
}

} // namespace
