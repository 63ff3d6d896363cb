// Reference counts and weak links under threads: weak reads racing the last release, shared
// retain/release. Meant to run under TSan.
#include "objc/Runtime.h"
#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace objc;

constexpr int kThreads = 8;

// Lets every thread start its work at the same moment.
class StartLine {
public:
    void wait() const {
        while (!m_go.load(std::memory_order_acquire))
            std::this_thread::yield();
    }
    void open() { m_go.store(true, std::memory_order_release); }

private:
    std::atomic<bool> m_go{false};
};

TEST(RefCountConcurrency, WeakReadsRaceTheLastRelease) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> deaths{0};
        RefPtr<LifetimeProbe> strong = LifetimeProbe::create(deaths);
        WeakPtr<LifetimeProbe> weak(strong);
        StartLine start;
        std::atomic<int> violations{0};
        std::vector<std::thread> readers;
        for (int t = 0; t < kThreads; ++t) {
            readers.emplace_back([&, copy = weak] {
                start.wait();
                bool sawNil = false;
                for (int i = 0; i < 200; ++i) {
                    RefPtr<LifetimeProbe> got = copy.get();
                    if (!got) {
                        sawNil = true;
                        continue;
                    }
                    // A revived object must be whole, and once nil always nil.
                    if (sawNil || got->retainCount() == 0 || deaths.load() != 0)
                        ++violations;
                }
            });
        }
        start.open();
        strong = nullptr; // races the readers; whoever holds the last reference destroys it
        for (auto& reader : readers)
            reader.join();
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(violations, 0);
        EXPECT_FALSE(weak.get());
    }
}

TEST(RefCountConcurrency, SharedReferencesDestroyOnce) {
    std::atomic<int> deaths{0};
    RefPtr<LifetimeProbe> shared = LifetimeProbe::create(deaths);
    StartLine start;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&start, copy = shared]() mutable {
            start.wait();
            for (int i = 0; i < 10000; ++i) {
                RefPtr<LifetimeProbe> another = copy;
                WeakPtr<LifetimeProbe> link(another);
            }
            copy = nullptr;
        });
    }
    shared = nullptr;
    start.open();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(deaths, 1);
}

} // namespace
