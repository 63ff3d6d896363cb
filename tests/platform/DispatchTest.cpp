// The main queue's order and draining, the main thread, and the background workers.
#include "dispatch/Queue.h"
#include "fixtures/LogCapture.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Long enough never to be reached unless something hangs.
constexpr auto kPatience = 30s;

TEST(MainQueue, RunsTasksInOrderNeverInlineAndThoseQueuedWhileDrainingAfterThoseBefore) {
    dispatch::Queue queue;
    std::vector<std::string> order;
    queue.async([&] {
        order.push_back("a");
        queue.async([&] {
            order.push_back("c");
            queue.async([&] { order.push_back("e"); });
        });
    });
    queue.async([&] { order.push_back("b"); });
    queue.async([&] { order.push_back("d"); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(queue.runUntilIdle(), 5U);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "d", "c", "e"}));
    EXPECT_TRUE(queue.empty());
}

TEST(MainQueue, RunOneRunsOneTaskAndWakesForOneQueuedFromAnotherThread) {
    dispatch::Queue queue;
    std::vector<int> order;
    queue.async([&] { order.push_back(1); });
    queue.async([&] { order.push_back(2); });
    EXPECT_TRUE(queue.runOne(0ms));
    EXPECT_EQ(order, std::vector<int>{1});
    EXPECT_TRUE(queue.runOne(0ms));
    std::thread poster([&] { queue.async([&] { order.push_back(3); }); });
    EXPECT_TRUE(queue.runOne(kPatience));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    poster.join();
}

TEST(MainQueue, ATaskThatThrowsIsLoggedAndAnEmptyOneRefused) {
    fixtures::LogCapture log;
    dispatch::Queue queue;
    bool after = false;
    queue.async(nullptr);
    queue.async([] { throw std::runtime_error("boom"); });
    queue.async([&] { after = true; });
    EXPECT_EQ(queue.runUntilIdle(), 2U);
    EXPECT_TRUE(after);
    EXPECT_EQ(log.containing("boom").size(), 1U);
    EXPECT_EQ(log.containing("empty task").size(), 1U);
}

TEST(MainThread, IsTheInitialThread) {
    EXPECT_TRUE(dispatch::isMainThread()); // gtest runs tests on the process's first thread
    bool other = true;
    std::thread([&] { other = dispatch::isMainThread(); }).join();
    EXPECT_FALSE(other);
}

TEST(Background, RunsTasksOffTheMainThreadAndGoesOnAfterOneThrows) {
    fixtures::LogCapture log;
    dispatch::global([] { throw std::runtime_error("worker boom"); });
    std::promise<bool> onMain;
    dispatch::global([&] { onMain.set_value(dispatch::isMainThread()); });
    auto answer = onMain.get_future();
    ASSERT_EQ(answer.wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(answer.get());
    ASSERT_TRUE(dispatch::waitUntilIdle(kPatience));
    EXPECT_EQ(log.containing("worker boom").size(), 1U);
}

TEST(Background, PendingCountsQueuedAndRunningTasksUntilTheyEnd) {
    ASSERT_TRUE(dispatch::waitUntilIdle(kPatience));
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    dispatch::global([&started, released] {
        started.set_value();
        released.wait();
    });
    started.get_future().wait();
    EXPECT_FALSE(dispatch::waitUntilIdle(0ms));
    release.set_value();
    EXPECT_TRUE(dispatch::waitUntilIdle(kPatience));
}

} // namespace
