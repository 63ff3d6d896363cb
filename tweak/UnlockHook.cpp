#include "tweak/UnlockHook.h"

#include "kit/QVKit.h"
#include "tweak/TweakSettings.h"

namespace tweak {

namespace {

constexpr const char* kWelcomeTitle = "Tapsonata";
constexpr const char* kWelcomeMessage =
    "Hey there! Thanks for using Tapsonata! If you'd like to follow @Quarvo on Twitter for more "
    "updates, tweak giveaways and other cool stuff, hit the button below!";
constexpr const char* kAuthor = "Quarvo";

} // namespace

void unlockHook(objc::Object* self, objc::SEL selector, int source, objc::Object* options) {
    TweakSettings& s = settings();
    if (s.firstUse) {
        QVShowTwitterFollowAlert(NS::str(kWelcomeTitle).ptr(), NS::str(kWelcomeMessage).ptr(),
                                 NS::str(kAuthor).ptr());
        // Cleared as soon as the invitation is up, whatever the user answers later.
        s.firstUse = false;
        s.preferences->setBoolForKey(false, NS::str(kFirstUseKey).ptr());
    }
    if (s.savedFinishUnlock)
        s.savedFinishUnlock(self, selector, source, options);
}

} // namespace tweak
