// The voice cap every real output keeps: about as many notes at once as the device mixes,
// and when one more is needed the voice that started first gives way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace audio {

inline constexpr std::size_t kMaxVoices = 16;

struct VoiceState {
    bool sounding = false;
    std::uint64_t startOrder = 0; // larger started later
};

// The voice a new sound takes: the first silent one, or else the one that started first.
// `voices` must not be empty.
inline std::size_t chooseVoice(std::span<const VoiceState> voices) {
    std::size_t oldest = 0;
    for (std::size_t i = 0; i < voices.size(); ++i) {
        if (!voices[i].sounding)
            return i;
        if (voices[i].startOrder < voices[oldest].startOrder)
            oldest = i;
    }
    return oldest;
}

} // namespace audio
