// A decoded system sound: what every output plays. Shared between the registry and the voices
// that play it, so disposing of an identifier never pulls samples from under a playing voice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using SystemSoundID = std::uint32_t;

namespace audio {

// Every sound is kept and mixed as mono 16-bit PCM at this rate.
inline constexpr std::uint32_t kSampleRate = 44100;

struct Sound {
    SystemSoundID id = 0;
    // The device path of the file it was made from; none for a built-in sound.
    std::optional<std::string> file;
    std::vector<std::int16_t> samples;
};

} // namespace audio
