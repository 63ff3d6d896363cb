#include "tweak/KeyClickHook.h"

#include "tweak/TweakSettings.h"

#include <array>
#include <atomic>
#include <cstdlib>

namespace tweak {

namespace {

// One slot per entry of the SoundTable; 0 until the note is first drawn.
std::array<std::atomic<SystemSoundID>, kSoundTableSize> g_noteSounds{};

} // namespace

bool isKeyClick(SystemSoundID sound) {
    return (sound & ~1u) == kKeyClickSound;
}

SystemSoundID noteSound(int instrument, unsigned index) {
    std::atomic<SystemSoundID>& slot = g_noteSounds[tableIndex(instrument, index)];
    SystemSoundID sound = slot.load(std::memory_order_acquire);
    if (sound != 0)
        return sound;
    SystemSoundID created = 0;
    AudioServicesCreateSystemSoundID(soundURL(instrument, index), &created);
    if (created == 0)
        return 0; // try again on a later click; nothing is kept
    // Two threads may draw the same new note at once: one sound wins, the other is disposed.
    if (slot.compare_exchange_strong(sound, created, std::memory_order_acq_rel))
        return created;
    AudioServicesDisposeSystemSoundID(created);
    return sound;
}

void forgetNoteSounds() {
    for (auto& slot : g_noteSounds)
        if (SystemSoundID sound = slot.exchange(0, std::memory_order_acq_rel))
            AudioServicesDisposeSystemSoundID(sound);
}

void keyClickHook(SystemSoundID sound) {
    const TweakSettings& s = settings();
    if (!isKeyClick(sound) || !s.enabled) {
        s.savedPlaySystemSound(sound);
        return;
    }
    SystemSoundID note = 0;
    if (isInstrument(s.instrument)) {
        auto index = static_cast<unsigned>(arc4random_uniform(noteCount(s.instrument)));
        note = noteSound(s.instrument, index);
    }
    // Through the public entry, which brings the note back into this hook and on to the
    // saved function. The click itself is never played.
    AudioServicesPlaySystemSound(note);
}

} // namespace tweak
