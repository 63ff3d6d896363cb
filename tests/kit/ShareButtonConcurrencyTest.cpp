// The shared share-button target, asked for by several threads at once.
#include "kit/QVKit.h"
#include "objc/Runtime.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(ShareButtonConcurrency, EightThreadsAtOnceGetOneHandler) {
    constexpr int kThreads = 8;
    constexpr int kCallsEach = 200;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::vector<QVTwitterShareHandler*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (!go.load(std::memory_order_acquire))
                std::this_thread::yield();
            for (int i = 0; i < kCallsEach; ++i)
                seen[t].push_back(QVTwitterShareHandler::sharedInstance());
        });
    }
    while (ready.load() < kThreads)
        std::this_thread::yield();
    go.store(true, std::memory_order_release);
    for (std::thread& thread : threads)
        thread.join();

    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    ASSERT_NE(handler, nullptr);
    for (const auto& calls : seen) {
        ASSERT_EQ(calls.size(), static_cast<std::size_t>(kCallsEach));
        for (QVTwitterShareHandler* h : calls)
            EXPECT_EQ(h, handler);
    }
    // The one handler is a real, working object of its class.
    EXPECT_TRUE(handler->isKindOfClass(QVTwitterShareHandler::runtimeClass()));
    EXPECT_GE(handler->retainCount(), 1u);
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
