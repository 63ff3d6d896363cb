// The KeyClickHook: entered in place of AudioServicesPlaySystemSound, on whatever thread
// plays a sound. Keyboard clicks become a random note of the chosen Instrument; every other
// sound is handed on unchanged.
#pragma once

#include "audiotoolbox/AudioServices.h"

namespace tweak {

inline constexpr SystemSoundID kKeyClickSound = 1104; // 1105 is the other click

bool isKeyClick(SystemSoundID sound);
void keyClickHook(SystemSoundID sound);

// The system sound of a note, created the first time that note is drawn and kept for the life
// of the process: at most one per note file, however long anyone types. 0 when it cannot be
// made (a missing or undecodable file).
SystemSoundID noteSound(int instrument, unsigned index);
// Disposes of the kept sounds, as if no note had been drawn yet (for tests and benchmarks).
void forgetNoteSounds();

} // namespace tweak
