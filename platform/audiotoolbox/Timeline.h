// The virtual-clock mixer: sounds placed at exact sample positions on a timeline, with the
// same voice cap as the live device, mixed on demand. This is what makes a WAV rendering exact
// and lets it run faster than real time.
#pragma once

#include "audiotoolbox/Sound.h"
#include "audiotoolbox/Voices.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace audio {

class Timeline {
public:
    struct Voice {
        std::shared_ptr<const Sound> sound;
        std::uint64_t start = 0;
        std::uint64_t end = 0; // one past its last sample; cut short when the voice is stolen
    };

    explicit Timeline(std::size_t maxVoices = kMaxVoices)
        : m_maxVoices(maxVoices ? maxVoices : 1) {}

    // Places a sound at a sample position. Time never runs back on a timeline: a position
    // before the latest one is placed at the latest. When all voices still sound there, the one
    // that started first is cut at this position; its index is returned.
    std::optional<std::size_t> place(std::shared_ptr<const Sound> sound, std::uint64_t at);

    const std::vector<Voice>& voices() const { return m_voices; }
    // Voices still sounding at the latest position.
    std::size_t soundingVoices() const;
    // One past the last sample that any voice plays.
    std::uint64_t length() const;
    // Mixes samples [from, from + out.size()) into `out`, clipped to 16 bits.
    void render(std::uint64_t from, std::span<std::int16_t> out) const;

private:
    std::size_t m_maxVoices;
    std::vector<Voice> m_voices;         // in order of start
    std::vector<std::size_t> m_sounding; // indices of voices not yet over, oldest first
    std::uint64_t m_latest = 0;
    std::uint64_t m_settledLength = 0; // the furthest end among voices that are over
    std::uint64_t m_longest = 0;       // the longest sound placed, to bound render's search
};

} // namespace audio
