// The shared share-button target, asked for by several threads at once.
#include "kit/QVKit.h"
#include "objc/Runtime.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// One handler for every thread: each call takes the class object's lock, also once the handler
// exists, so a thread holding that lock keeps every other out.
TEST(ShareButtonConcurrency, AThreadHoldingTheClassLockKeepsOthersOut) {
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    objc::Class* cls = QVTwitterShareHandler::runtimeClass();
    std::atomic<QVTwitterShareHandler*> seen{nullptr};
    objc::objc_sync_enter(cls);
    // Only the holder lets go: an exit from another thread is refused and releases nothing.
    std::thread([&] {
        EXPECT_EQ(objc::objc_sync_exit(cls), objc::OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
    }).join();
    std::thread other([&] { seen.store(QVTwitterShareHandler::sharedInstance()); });
    // However long this thread works under the lock, the other may not get through.
    bool gotThrough = false;
    for (int i = 0; i < 1000 && !gotThrough; ++i) {
        std::this_thread::yield();
        gotThrough = seen.load() != nullptr;
    }
    objc::objc_sync_exit(cls);
    other.join();
    EXPECT_FALSE(gotThrough);
    EXPECT_EQ(seen.load(), handler);
}

} // namespace
