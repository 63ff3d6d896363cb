// Where a simulated process's sound goes: the host's sound device, a WAV file, both, or
// nowhere. Without a live device, time is virtual: each key press moves a manual clock on by
// the pace instead of sleeping, so a WAV is exact and is made faster than real time.
#pragma once

#include "audiotoolbox/Clock.h"
#include "audiotoolbox/OpenALOutput.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace sim {

struct SoundOptions {
    std::string out = "none";                 // "live", "none", or a WAV file's path
    std::optional<std::filesystem::path> wav; // a WAV copy besides
    // The WAV already holds what an earlier process of this run played (the keyboard app
    // started again): keep it and go on after its end.
    bool appendWav = false;
    // How the live device is opened when out is "live": which device, the gain (0 mutes), and
    // the period size and count (shorter: less delay from key to ear; longer: safer).
    audio::LiveOptions live;
};

// Installs the output (and the clock) and reports an "output" event. Returns the manual
// clock when time is virtual, null when it is real.
std::shared_ptr<audio::ManualClock> openSoundOutput(const SoundOptions& options);

// Writes out what the output holds so far (a WAV file), so that nothing is lost should the
// process be ended by a signal.
void flushSoundOutput();

} // namespace sim
