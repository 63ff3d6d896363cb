// The main queue's order and draining, the main thread, and the background workers.
#include "dispatch/Queue.h"
#include "fixtures/Capture.h"

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

TEST(MainQueue, RunsTasksInTheOrderTheyWereQueued) {
    dispatch::Queue queue;
    std::vector<int> order;
    for (int i = 0; i < 5; ++i)
        queue.async([&order, i] { order.push_back(i); });
    EXPECT_EQ(queue.runUntilIdle(), 5U);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(queue.empty());
}

TEST(MainQueue, AsyncNeverRunsTheTaskInline) {
    dispatch::Queue queue;
    bool ran = false;
    queue.async([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_FALSE(queue.empty());
    queue.runUntilIdle();
    EXPECT_TRUE(ran);
}

TEST(MainQueue, DrainingRunsTasksQueuedWhileDrainingAfterThoseBefore) {
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
    EXPECT_EQ(queue.runUntilIdle(), 5U);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "d", "c", "e"}));
    EXPECT_EQ(queue.runUntilIdle(), 0U);
}

TEST(MainQueue, RunOneRunsExactlyOneTask) {
    dispatch::Queue queue;
    std::vector<int> order;
    queue.async([&] { order.push_back(1); });
    queue.async([&] { order.push_back(2); });
    EXPECT_TRUE(queue.runOne(0ms));
    EXPECT_EQ(order, std::vector<int>{1});
    EXPECT_TRUE(queue.runOne(0ms));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(queue.runOne(0ms));
}

TEST(MainQueue, RunOneWakesForATaskQueuedFromAnotherThread) {
    dispatch::Queue queue;
    bool ran = false;
    std::thread poster([&] { queue.async([&] { ran = true; }); });
    EXPECT_TRUE(queue.runOne(kPatience));
    EXPECT_TRUE(ran);
    poster.join();
}

TEST(MainQueue, ATaskThatThrowsIsLoggedAndTheQueueGoesOn) {
    fixtures::LogCapture log;
    dispatch::Queue queue;
    bool after = false;
    queue.async([] { throw std::runtime_error("boom"); });
    queue.async([&] { after = true; });
    EXPECT_EQ(queue.runUntilIdle(), 2U);
    EXPECT_TRUE(after);
    auto lines = log.containing("boom");
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].level, 3);
}

TEST(MainQueue, AnEmptyTaskIsRefused) {
    fixtures::LogCapture log;
    dispatch::Queue queue;
    queue.async(nullptr);
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(log.containing("empty task").size(), 1U);
}

TEST(MainQueue, MainIsOneQueueForTheProcess) {
    EXPECT_EQ(&dispatch::main(), &dispatch::main());
    dispatch::main().runUntilIdle();
    int ran = 0;
    dispatch::main().async([&] { ++ran; });
    EXPECT_EQ(dispatch::main().runUntilIdle(), 1U);
    EXPECT_EQ(ran, 1);
}

TEST(MainThread, IsTheInitialThreadUntilAnotherIsMarked) {
    EXPECT_TRUE(dispatch::isMainThread()); // gtest runs tests on the process's first thread
    bool other = true;
    std::thread([&] { other = dispatch::isMainThread(); }).join();
    EXPECT_FALSE(other);

    std::thread([] { dispatch::setMainThread(); }).join();
    EXPECT_FALSE(dispatch::isMainThread());
    dispatch::setMainThread();
    EXPECT_TRUE(dispatch::isMainThread());
}

TEST(Background, RunsTasksOffTheMainThread) {
    std::promise<bool> onMain;
    dispatch::global([&] { onMain.set_value(dispatch::isMainThread()); });
    auto answer = onMain.get_future();
    ASSERT_EQ(answer.wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(answer.get());
    EXPECT_TRUE(dispatch::waitUntilIdle(kPatience));
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
    EXPECT_GE(dispatch::backgroundPending(), 1U);
    EXPECT_FALSE(dispatch::waitUntilIdle(0ms));
    release.set_value();
    EXPECT_TRUE(dispatch::waitUntilIdle(kPatience));
    EXPECT_EQ(dispatch::backgroundPending(), 0U);
}

TEST(Background, WorkHandsResultsBackToTheMainQueueInOrder) {
    dispatch::Queue queue;
    std::vector<int> order;
    dispatch::global([&queue, &order] {
        for (int i = 0; i < 3; ++i)
            queue.async([&order, i] { order.push_back(i); });
    });
    ASSERT_TRUE(dispatch::waitUntilIdle(kPatience));
    EXPECT_TRUE(order.empty()); // nothing runs until the main thread drains
    queue.runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(Background, ATaskThatThrowsDoesNotStopTheWorkers) {
    fixtures::LogCapture log;
    dispatch::global([] { throw std::runtime_error("worker boom"); });
    std::promise<void> ran;
    dispatch::global([&] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(kPatience), std::future_status::ready);
    ASSERT_TRUE(dispatch::waitUntilIdle(kPatience));
    EXPECT_EQ(log.containing("worker boom").size(), 1U);
}

} // namespace
