// The simulated SpringBoard: its lock screen manager exists only when registered, and an
// unlock is a real message send, so a hook on the method is entered.
#include "springboard/SpringBoard.h"

#include "fixtures/LogCapture.h"
#include "substrate/Substrate.h"
#include "support/EventRecorder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kSelector = "_finishUIUnlockFromSource:withOptions:";

class SpringBoard : public testing::Test {
protected:
    void TearDown() override { springboard::unregisterClasses(); }
};

TEST_F(SpringBoard, OutsideSpringBoardThereIsNoLockScreenManager) {
    springboard::registerClasses();
    springboard::unregisterClasses();
    EXPECT_EQ(objc::objc_getClass("SBLockScreenManager"), nullptr);
    EXPECT_FALSE(SB::LockScreenManager::sharedInstance());
    fixtures::LogCapture log;
    springboard::unlock();
    EXPECT_EQ(springboard::finishedUnlocks(), 0U);
    EXPECT_EQ(log.containing("no SBLockScreenManager").size(), 1U);
}

TEST_F(SpringBoard, AnUnlockRunsTheOriginalMethodOnTheSharedManager) {
    springboard::registerClasses();
    objc::Class* cls = objc::objc_getClass("SBLockScreenManager");
    ASSERT_NE(cls, nullptr);
    auto manager = SB::LockScreenManager::sharedInstance();
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager->isa(), cls);

    support::EventRecorder events;
    springboard::unlock(3);
    springboard::unlock();
    EXPECT_EQ(springboard::finishedUnlocks(), 2U);
    EXPECT_EQ(events.events("unlock"),
              (std::vector<std::string>{R"({"event":"unlock","source":3})",
                                        R"({"event":"unlock","source":0})"}));
}

struct UnlockCall {
    objc::Object* self;
    std::string selector;
    int source;
    objc::Object* options;
    std::size_t finishedBefore;
};
std::vector<UnlockCall> g_calls;
objc::IMP g_savedUnlock = nullptr;

void unlockHook(objc::Object* self, objc::SEL sel, int source, objc::Object* options) {
    g_calls.push_back({self, sel, source, options, springboard::finishedUnlocks()});
    reinterpret_cast<void (*)(objc::Object*, objc::SEL, int, objc::Object*)>(g_savedUnlock)(
        self, sel, source, options);
}

TEST_F(SpringBoard, AHookIsEnteredBeforeTheUnlockCompletesAndANewSpringBoardHasNone) {
    springboard::registerClasses();
    g_calls.clear();
    MSHookMessageEx(objc::objc_getClass("SBLockScreenManager"), kSelector,
                    objc::imp_cast(&unlockHook), &g_savedUnlock);
    ASSERT_NE(g_savedUnlock, nullptr);
    springboard::unlock(5);

    ASSERT_EQ(g_calls.size(), 1U);
    EXPECT_EQ(g_calls[0].self, SB::LockScreenManager::sharedInstance().get());
    EXPECT_EQ(g_calls[0].selector, kSelector);
    EXPECT_EQ(g_calls[0].source, 5);
    EXPECT_EQ(g_calls[0].options, nullptr);
    EXPECT_EQ(g_calls[0].finishedBefore, 0U);
    EXPECT_EQ(springboard::finishedUnlocks(), 1U);

    springboard::registerClasses();
    EXPECT_EQ(springboard::finishedUnlocks(), 0U);
    springboard::unlock();
    EXPECT_EQ(g_calls.size(), 1U) << "the hook belonged to the last process";
    EXPECT_EQ(springboard::finishedUnlocks(), 1U);
}

} // namespace
