#include "tweak/UnlockHook.h"

#include "tweak/TweakSettings.h"

namespace tweak {

void unlockHook(objc::Object* self, objc::SEL selector, int source, objc::Object* options) {
    TweakSettings& s = settings();
    if (s.savedFinishUnlock)
        s.savedFinishUnlock(self, selector, source, options);
}

} // namespace tweak
