#include "tweak/KeyClickHook.h"

#include "device/Events.h"
#include "foundation/Log.h"
#include "tweak/TweakSettings.h"

#include <array>
#include <atomic>
#include <cstdlib>

namespace tweak {

namespace {

// One slot per entry of the SoundTable; 0 until the note is first drawn.
std::array<std::atomic<SystemSoundID>, kSoundTableSize> g_noteSounds{};
// Whether the note's file was reported bad: once per file, however often it is drawn.
std::array<std::atomic<bool>, kSoundTableSize> g_reportedBad{};

void reportBadNote(std::size_t slot, const NS::URL* url, OSStatus status) {
    if (g_reportedBad[slot].exchange(true, std::memory_order_relaxed))
        return;
    std::string file = url ? url->path() : std::string();
    std::string text =
        "cannot play " + file + " (error " + std::to_string(status) + "); the other notes play on";
    CFLog(3, "[%s: %s] %s: %s", "Tapsonata", "KeyClickHook", "ERROR", text.c_str());
    device::emit("error", {{"text", text}, {"file", file}});
}

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
    const NS::URL* url = soundURL(instrument, index);
    OSStatus status = AudioServicesCreateSystemSoundID(url, &created);
    if (created == 0) {
        // Tried again on a later click (cheap while the file stays as it is); nothing is kept.
        reportBadNote(tableIndex(instrument, index), url, status);
        return 0;
    }
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
    for (auto& reported : g_reportedBad)
        reported.store(false, std::memory_order_relaxed);
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
