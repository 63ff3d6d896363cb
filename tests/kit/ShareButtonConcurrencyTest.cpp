// The shared share-button target, asked for by several threads at once.
#include "kit/QVKit.h"
#include "objc/Runtime.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <latch>
#include <thread>
#include <vector>

namespace {

TEST(ShareButtonConcurrency, EightThreadsAtOnceGetOneHandler) {
    constexpr int kThreads = 8;
    std::latch start(kThreads); // all start at once
    std::vector<std::vector<QVTwitterShareHandler*>> seen(kThreads);
    {
        std::vector<std::jthread> threads;
        threads.reserve(kThreads);
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int i = 0; i < 200; ++i)
                    seen[t].push_back(QVTwitterShareHandler::sharedInstance());
            });
    }
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    ASSERT_NE(handler, nullptr);
    for (const auto& calls : seen)
        EXPECT_EQ(std::count(calls.begin(), calls.end(), handler), 200);
}

TEST(ShareButtonConcurrency, AThreadHoldingTheClassLockKeepsOthersOut) {
    // While one thread holds the class object's lock, another's sharedInstance cannot finish.
    objc::Class* cls = QVTwitterShareHandler::runtimeClass();
    std::atomic<bool> finished{false};
    objc::objc_sync_enter(cls);
    std::thread other([&] {
        QVTwitterShareHandler::sharedInstance();
        finished.store(true, std::memory_order_release);
    });
    // However long this thread works under the lock, the other may not get through.
    bool gotThrough = false;
    for (int i = 0; i < 1000 && !gotThrough; ++i) {
        std::this_thread::yield();
        gotThrough = finished.load(std::memory_order_acquire);
    }
    objc::objc_sync_exit(cls);
    other.join();
    EXPECT_FALSE(gotThrough);
    EXPECT_TRUE(finished.load());
}

} // namespace
