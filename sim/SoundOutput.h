// Where a simulated process's sound goes: the host's sound device, a WAV file, both, or
// nowhere. Without a live device, time is virtual: each key press moves a manual clock on by
// the pace instead of sleeping, so a WAV is exact and is made faster than real time.
#pragma once

#include "audiotoolbox/Clock.h"
#include "audiotoolbox/Output.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct SoundOptions {
    std::string out = "none";                 // "live", "none", or a WAV file's path
    std::optional<std::filesystem::path> wav; // a WAV copy besides
    // The WAV already holds what an earlier process of this run played (the keyboard app
    // started again): keep it and go on after its end.
    bool appendWav = false;
    int volume = 100;                  // 0 to 100; 0 when muted
    std::optional<std::string> device; // a live device by name, else the default
    std::string latency = "low";       // "low": short device periods; "safe": longer ones
};

// The live device as the options ask for it, or null when none opens.
std::shared_ptr<audio::Output> openLiveOutput(const SoundOptions& options);
// The frames in one period of the live device for the options' latency.
int periodFrames(const SoundOptions& options);
// The names of the host's sound devices, for --device.
std::vector<std::string> liveDeviceNames();

// Installs the output (and the clock) and reports an "output" event. Returns the manual
// clock when time is virtual, null when it is real.
std::shared_ptr<audio::ManualClock> openSoundOutput(const SoundOptions& options);

// Writes out what the output holds so far (a WAV file), so that nothing is lost should the
// process be ended by a signal.
void flushSoundOutput();

} // namespace sim
