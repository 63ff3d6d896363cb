// Reference counts and weak links under threads: weak reads racing the last release, shared
// retain/release. Meant to run under TSan.
#include "objc/Runtime.h"
#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>
#include <latch>
#include <thread>
#include <vector>

namespace {

using namespace objc;

constexpr int kThreads = 8;

TEST(RefCountConcurrency, WeakReadsRaceTheLastRelease) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> deaths{0};
        RefPtr<LifetimeProbe> strong = LifetimeProbe::create(deaths);
        WeakPtr<LifetimeProbe> weak(strong);
        std::latch start(kThreads + 1);
        std::atomic<int> violations{0};
        std::vector<std::jthread> readers;
        readers.reserve(kThreads);
        for (int t = 0; t < kThreads; ++t)
            readers.emplace_back([&, copy = weak] {
                start.arrive_and_wait();
                bool sawNil = false;
                for (int i = 0; i < 200; ++i) {
                    RefPtr<LifetimeProbe> got = copy.get();
                    // A revived object must be whole, and once nil always nil.
                    if (got && (sawNil || got->retainCount() == 0 || deaths.load() != 0))
                        ++violations;
                    sawNil = sawNil || !got;
                }
            });
        start.arrive_and_wait();
        strong = nullptr; // races the readers; whoever holds the last reference destroys it
        readers.clear();
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(violations, 0);
        EXPECT_FALSE(weak.get());
    }
}

TEST(RefCountConcurrency, SharedReferencesDestroyOnce) {
    std::atomic<int> deaths{0};
    RefPtr<LifetimeProbe> shared = LifetimeProbe::create(deaths);
    std::latch start(kThreads + 1);
    std::vector<std::jthread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&start, copy = shared]() mutable {
            start.arrive_and_wait();
            for (int i = 0; i < 10000; ++i) {
                // The retain and release are the point of the copy.
                // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
                RefPtr<LifetimeProbe> another = copy;
                WeakPtr<LifetimeProbe> link(another);
            }
            copy = nullptr;
        });
    shared = nullptr;
    start.arrive_and_wait();
    threads.clear();
    EXPECT_EQ(deaths, 1);
}

} // namespace
