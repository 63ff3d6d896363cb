#include "springboard/SpringBoard.h"

#include "device/Events.h"
#include "foundation/Log.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace {

std::atomic<std::size_t> g_finishedUnlocks{0};

struct State {
    std::mutex lock;
    objc::Class* cls = nullptr;
    objc::RefPtr<SB::LockScreenManager> manager;
    // Classes live for the process's life; unregistered ones are kept here, not leaked.
    std::vector<objc::Class*> retired;
};

State& state() {
    static auto* instance = new State;
    return *instance;
}

// The original implementation: completes the unlock.
void finishUIUnlockFromSourceWithOptions(objc::Object* self, objc::SEL, int source,
                                         objc::Object* options) {
    g_finishedUnlocks.fetch_add(1, std::memory_order_relaxed);
    device::emit("unlock", {{"source", source}});
}

} // namespace

namespace SB {

objc::RefPtr<LockScreenManager> LockScreenManager::sharedInstance() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.manager;
}

} // namespace SB

namespace springboard {

// A fresh class each time: a new SpringBoard process starts without the hooks of the last.
void registerClasses() {
    objc::Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "SBLockScreenManager");
    cls->addMethod(objc::sel_registerName(SB::LockScreenManager::kFinishUnlockSelector),
                   objc::imp_cast(&finishUIUnlockFromSourceWithOptions));
    State& s = state();
    objc::RefPtr<SB::LockScreenManager> old;
    {
        std::lock_guard guard(s.lock);
        if (s.cls) {
            objc::objc_unregisterClass(s.cls);
            s.retired.push_back(s.cls);
        }
        s.cls = cls;
        old = std::move(s.manager);
        s.manager = objc::adopt(new SB::LockScreenManager(cls));
        objc::objc_registerClassPair(cls);
    }
    g_finishedUnlocks.store(0, std::memory_order_relaxed);
}

void unregisterClasses() {
    State& s = state();
    objc::RefPtr<SB::LockScreenManager> old;
    std::lock_guard guard(s.lock);
    if (!s.cls)
        return;
    objc::objc_unregisterClass(s.cls);
    s.retired.push_back(s.cls);
    s.cls = nullptr;
    old = std::move(s.manager);
}

void unlock(int source) {
    objc::RefPtr<SB::LockScreenManager> manager = SB::LockScreenManager::sharedInstance();
    if (!manager) {
        CFLog(4, "SpringBoard: no SBLockScreenManager in this process; the unlock was ignored");
        return;
    }
    objc::msgSend<void>(manager.get(), SB::LockScreenManager::kFinishUnlockSelector, source,
                        static_cast<objc::Object*>(nullptr));
}

std::size_t finishedUnlocks() {
    return g_finishedUnlocks.load(std::memory_order_relaxed);
}

} // namespace springboard
