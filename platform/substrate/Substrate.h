// The hooking facility: MSHookFunction and MSHookMessageEx.
//
// Installing a hook is silent. A hook that cannot be installed (a null or unhookable
// address, a nil class, a missing method) is refused: one CFLog line at level 3 starting
// "MS:Error:", nothing changed, and the caller's `result` left untouched. Never a crash.
#pragma once

#include "objc/Runtime.h"

// Makes every call of `symbol` enter `replace`. `symbol` must be a hookable entry (see
// substrate/Hookable.h). `*result` (when result is not null) receives an entry that does what
// `symbol` did before, written before the swap, so a caller racing into the replacement already
// finds it. Hooking the same symbol again chains: the second result is the first replacement.
void MSHookFunction(void* symbol, void* replace, void** result);

// Replaces the instance method `selector` of `cls` with `replace`, writing the previous
// implementation to `*result` first. When the class only inherits the method, an override is
// added to the class, and `*result` is the inherited implementation.
void MSHookMessageEx(objc::Class* cls, objc::SEL selector, objc::IMP replace, objc::IMP* result);

// Typed form: MSHookFunction(&AudioServicesPlaySystemSound, &hook, &g_saved).
template <typename Fn>
void MSHookFunction(Fn* symbol, Fn* replace, Fn** result) {
    MSHookFunction(reinterpret_cast<void*>(symbol), reinterpret_cast<void*>(replace),
                   reinterpret_cast<void**>(result));
}
