// TweakSettings: the process-wide settings, written once at load and read by the hooks.
#pragma once

#include "audiotoolbox/AudioServices.h"
#include "cephei/Preferences.h"
#include "foundation/Collections.h"
#include "objc/Runtime.h"
#include "tweak/SoundTable.h"

namespace tweak {

inline constexpr const char* kSettingsPath =
    "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";
inline constexpr const char* kPreferencesDomain = "com.quarvo.tapsonata";
inline constexpr const char* kFirstUseKey = "firstUse";
inline constexpr Instrument kDefaultInstrument = 4; // piano

using PlaySystemSoundFn = void (*)(SystemSoundID);
using UnlockIMP = void (*)(objc::Object* self, objc::SEL, int source, objc::Object* options);

struct TweakSettings {
    HB::Preferences* preferences = nullptr; // held for the life of the process
    bool firstUse = true;
    bool enabled = false;
    Instrument instrument = kDefaultInstrument;
    PlaySystemSoundFn savedPlaySystemSound = nullptr;
    UnlockIMP savedFinishUnlock = nullptr;
};

TweakSettings& settings();

// What the settings file says. Values the platform cannot read as a flag or a number (an
// array, a dictionary, a date, data) count as absent, where the device would crash at load.
struct FileSettings {
    bool enabled = false;
    Instrument instrument = kDefaultInstrument;
};
FileSettings readFileSettings(const NS::Dictionary* file);

} // namespace tweak
