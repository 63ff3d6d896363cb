// The queues under contention: many producers, one draining thread, and the worker pool.
#include "dispatch/Queue.h"
#include "fixtures/LogCapture.h"
#include "fixtures/Threads.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 30s;
constexpr int kProducers = 8;
constexpr int kTasksEach = 500;

TEST(MainQueueConcurrency, EveryProducersTasksRunOnceAndInTheirOrder) {
    dispatch::Queue queue;
    // An empty task is refused; one that throws is logged, and the queue goes on below.
    fixtures::LogCapture log;
    queue.async(nullptr);
    queue.async([] { throw std::runtime_error("boom"); });
    EXPECT_EQ(queue.runUntilIdle(), 1U);
    EXPECT_EQ(log.containing("boom").size(), 1U);
    std::map<int, std::vector<int>> seen; // touched only by the draining thread
    std::size_t ran = 0;
    // The last thread drains while the others post.
    fixtures::onThreads(kProducers + 1, [&](int p) {
        for (int i = 0; p < kProducers && i < kTasksEach; ++i)
            queue.async([&seen, p, i] { seen[p].push_back(i); });
        while (p == kProducers && ran < std::size_t{kProducers} * kTasksEach &&
               queue.runOne(kPatience))
            ran += 1 + queue.runUntilIdle();
    });
    EXPECT_EQ(ran, std::size_t{kProducers} * kTasksEach);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kProducers));
    for (const auto& [producer, order] : seen) {
        ASSERT_EQ(order.size(), static_cast<std::size_t>(kTasksEach)) << "producer " << producer;
        for (int i = 0; i < kTasksEach; ++i)
            ASSERT_EQ(order[i], i) << "producer " << producer;
    }
}

TEST(BackgroundConcurrency, TasksPostedFromManyThreadsEachRunOnceOffTheMainThread) {
    std::atomic<int> ran{0};
    std::atomic<int> onMain{0};
    fixtures::onThreads(kProducers, [&](int) {
        for (int i = 0; i < 100; ++i)
            dispatch::global([&] {
                if (dispatch::isMainThread())
                    ++onMain;
                ++ran;
            });
    });
    ASSERT_TRUE(dispatch::waitUntilIdle(kPatience));
    EXPECT_EQ(ran.load(), kProducers * 100);
    EXPECT_EQ(onMain.load(), 0);
    EXPECT_EQ(dispatch::backgroundPending(), 0U);
}

} // namespace
