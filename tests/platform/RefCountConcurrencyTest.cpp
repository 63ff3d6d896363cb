// Reference counts and weak links under threads: weak reads racing the last release, shared
// retain/release. Meant to run under TSan.
#include "fixtures/Threads.h"
#include "objc/Runtime.h"
#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace objc;

constexpr int kThreads = 8;

TEST(RefCountConcurrency, WeakReadsRaceTheLastRelease) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> deaths{0};
        RefPtr<LifetimeProbe> strong = LifetimeProbe::create(deaths);
        WeakPtr<LifetimeProbe> weak(strong);
        std::atomic<int> violations{0};
        // The last thread lets go of the only reference while the others read.
        fixtures::onThreads(kThreads + 1, [&](int t) {
            if (t == kThreads) {
                strong = nullptr;
                return;
            }
            bool sawNil = false;
            for (int i = 0; i < 200; ++i) {
                RefPtr<LifetimeProbe> got = weak.get();
                // A revived object must be whole, and once nil always nil.
                if (got && (sawNil || got->retainCount() == 0 || deaths.load() != 0))
                    ++violations;
                sawNil = sawNil || !got;
            }
        });
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(violations, 0);
        EXPECT_FALSE(weak.get());
    }
}

TEST(RefCountConcurrency, SharedReferencesDestroyOnce) {
    std::atomic<int> deaths{0};
    RefPtr<LifetimeProbe> shared = LifetimeProbe::create(deaths);
    std::vector<RefPtr<LifetimeProbe>> copies(kThreads, shared);
    shared = nullptr;
    fixtures::onThreads(kThreads, [&](int t) {
        for (int i = 0; i < 10000; ++i) {
            // The retain and release are the point of the copy.
            // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
            RefPtr<LifetimeProbe> another = copies[t];
            WeakPtr<LifetimeProbe> link(another);
        }
        copies[t] = nullptr;
    });
    EXPECT_EQ(deaths, 1);
}

} // namespace
