// The runtime under threads: objc_sync_enter/exit excludes and is recursive, and methods can
// be replaced while messages are sent. Meant to run under TSan.
#include "objc/Runtime.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace objc;

constexpr int kThreads = 8;

class Instance : public Object {
public:
    explicit Instance(Class* cls = NSObjectClass()) : Object(cls) {}
};

TEST(SyncConcurrency, ExcludesOtherThreads) {
    Ref<Instance> lock = adopt(new Instance);
    long counter = 0; // deliberately plain: only the lock protects it
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                ASSERT_EQ(objc_sync_enter(lock.ptr()), OBJC_SYNC_SUCCESS);
                if (inside.fetch_add(1) != 0)
                    ++overlaps;
                ++counter;
                inside.fetch_sub(1);
                ASSERT_EQ(objc_sync_exit(lock.ptr()), OBJC_SYNC_SUCCESS);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, kThreads * 2000L);
    EXPECT_EQ(overlaps, 0);
}

TEST(SyncConcurrency, RecursionHoldsTheLockUntilTheLastExit) {
    Ref<Instance> lock = adopt(new Instance);
    std::atomic<bool> otherEntered{false};
    std::atomic<bool> enteredEarly{false};
    ASSERT_EQ(objc_sync_enter(lock.ptr()), 0);
    ASSERT_EQ(objc_sync_enter(lock.ptr()), 0);
    std::thread other([&] {
        objc_sync_enter(lock.ptr());
        otherEntered = true;
        // Not the owner's recursion: this thread's exit is its own.
        EXPECT_EQ(objc_sync_exit(lock.ptr()), 0);
    });
    // Give the other thread a chance to get in wrongly; it must not, whatever the timing.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(objc_sync_exit(lock.ptr()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    enteredEarly = otherEntered.load();
    ASSERT_EQ(objc_sync_exit(lock.ptr()), 0);
    other.join();
    EXPECT_FALSE(enteredEarly) << "another thread entered while the lock was still held once";
    EXPECT_TRUE(otherEntered);
}

TEST(SyncConcurrency, ExitFromAnotherThreadIsRefused) {
    Ref<Instance> lock = adopt(new Instance);
    ASSERT_EQ(objc_sync_enter(lock.ptr()), 0);
    int result = 0;
    std::thread([&] { result = objc_sync_exit(lock.ptr()); }).join();
    EXPECT_EQ(result, OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
    EXPECT_EQ(objc_sync_exit(lock.ptr()), 0);
}

int one(Object*, SEL) {
    return 1;
}
int two(Object*, SEL) {
    return 2;
}

TEST(RuntimeConcurrency, MethodsAreReplacedWhileMessagesAreSent) {
    Class* cls = objc_allocateClassPair(NSObjectClass(), "RuntimeConcurrencySwapped");
    objc_registerClassPair(cls);
    SEL sel = sel_registerName("value");
    cls->addMethod(sel, imp_cast(&one));
    Ref<Instance> object = adopt(new Instance(cls));
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads - 1; ++t)
        senders.emplace_back([&] {
            while (!done) {
                int v = msgSend<int>(object.ptr(), "value");
                if (v != 1 && v != 2)
                    ++bad;
            }
        });
    for (int i = 0; i < 2000; ++i)
        cls->replaceMethod(sel, imp_cast(i % 2 ? &one : &two));
    done = true;
    for (auto& sender : senders)
        sender.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(msgSend<int>(object.ptr(), "value"), 1);
}

} // namespace
