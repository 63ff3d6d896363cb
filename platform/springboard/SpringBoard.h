// A minimal SpringBoard: the lock screen manager whose unlock method the tweak hooks.
//
// The runtime class "SBLockScreenManager" exists only in a simulated SpringBoard process, after
// registerClasses(); elsewhere objc_getClass("SBLockScreenManager") is null, as on the device.
#pragma once

#include "objc/Runtime.h"

#include <cstddef>

namespace springboard {
void registerClasses();
} // namespace springboard

namespace SB {

// SpringBoard's lock screen manager. Its one method of interest is
// "_finishUIUnlockFromSource:withOptions:", sent when an unlock completes, with the IMP
// signature void(objc::Object* self, objc::SEL, int source, objc::Object* options).
class LockScreenManager : public objc::Object {
public:
    static constexpr const char* kFinishUnlockSelector = "_finishUIUnlockFromSource:withOptions:";

    // The shared manager, or null while the class is not registered.
    static objc::RefPtr<LockScreenManager> sharedInstance();

private:
    friend void springboard::registerClasses();
    explicit LockScreenManager(objc::Class* cls) : objc::Object(cls) {}
};

} // namespace SB

namespace springboard {

// Registers "SBLockScreenManager" with a fresh method table, as a newly started SpringBoard
// has, and zeroes finishedUnlocks(). Call only in a simulated SpringBoard process.
void registerClasses();
// Removes the class again; the shared manager goes with it. For tests.
void unregisterClasses();

// SpringBoard finished an unlock: sends "_finishUIUnlockFromSource:withOptions:" to the shared
// manager with objc::msgSend, so that a hook on the method is entered. Call on the main thread.
// Without the class it logs that there is no SpringBoard and does nothing.
void unlock(int source = 0);
// How many times the original implementation ran since registerClasses(). Each run also
// reports an "unlock" device event with the source.
std::size_t finishedUnlocks();

} // namespace springboard
