// The library's two initialisers, run in this order when the facility loads it: start-up
// (settings, the first-use flag, the hooks), then the SoundTable.
#include "foundation/AutoreleasePool.h"
#include "foundation/Log.h"
#include "substrate/Substrate.h"
#include "tweak/KeyClickHook.h"
#include "tweak/TweakSettings.h"
#include "tweak/UnlockHook.h"

namespace tweak {

namespace {

void startUp() {
    TweakSettings& s = settings();
    objc::RefPtr<NS::MutableDictionary> file =
        NS::MutableDictionary::initWithContentsOfFile(NS::str(kSettingsPath).ptr());
    FileSettings fromFile = readFileSettings(file.get());
    s.enabled = fromFile.enabled;
    s.instrument = fromFile.instrument;

    NS::AutoreleasePool pool;
    if (objc::Class* manager = objc::objc_getClass("SBLockScreenManager")) {
        // Only SpringBoard unlocks, so only SpringBoard needs the first-use flag: other
        // processes neither open the preferences domain nor read its file a second time.
        s.preferences =
            HB::Preferences::preferencesForIdentifier(NS::str(kPreferencesDomain).ptr()).leak();
        s.preferences->registerBoolDefaultForKey(&s.firstUse, true, NS::str(kFirstUseKey).ptr());
        MSHookMessageEx(manager, objc::sel_registerName(kUnlockSelector),
                        objc::imp_cast(&unlockHook),
                        reinterpret_cast<objc::IMP*>(&s.savedFinishUnlock));
    } else {
        CFLog(3, "[%s: %s:%d] %s: %@", "Tapsonata", "Tweak", 257, "ERROR",
              NS::String::stringWithFormat("logos: nil class %s", "SBLockScreenManager"));
    }
    MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                   reinterpret_cast<void*>(&keyClickHook),
                   reinterpret_cast<void**>(&s.savedPlaySystemSound));
    pool.drain();
}

} // namespace

} // namespace tweak

__attribute__((constructor(101))) static void tapsonataStartUp() {
    tweak::startUp();
}
__attribute__((constructor(102))) static void tapsonataBuildSoundTable() {
    tweak::buildSoundTable();
}
