// The UnlockHook: entered in place of SBLockScreenManager's
// _finishUIUnlockFromSource:withOptions:, on SpringBoard's main thread.
#pragma once

#include "objc/Runtime.h"

namespace tweak {

inline constexpr const char* kUnlockSelector = "_finishUIUnlockFromSource:withOptions:";

void unlockHook(objc::Object* self, objc::SEL selector, int source, objc::Object* options);

} // namespace tweak
