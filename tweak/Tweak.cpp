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
    objc::Class* manager = objc::objc_getClass("SBLockScreenManager");
    // Only SpringBoard unlocks, so only SpringBoard opens the preferences domain, for the
    // first-use flag. The domain's file is the settings file: SpringBoard reads it once, there.
    objc::RefPtr<NS::Dictionary> file;
    if (manager) {
        s.preferences =
            HB::Preferences::preferencesForIdentifier(NS::str(kPreferencesDomain).ptr()).leak();
        file = s.preferences->dictionaryRepresentation();
    } else {
        file = NS::MutableDictionary::initWithContentsOfFile(NS::str(kSettingsPath).ptr());
    }
    FileSettings fromFile = readFileSettings(file.get());
    s.enabled = fromFile.enabled;
    s.instrument = fromFile.instrument;

    NS::AutoreleasePool pool;
    if (manager) {
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
