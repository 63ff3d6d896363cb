// The virtual-clock mixer: sounds placed at exact sample positions on a timeline, with the
// same voice cap as the live device, mixed on demand. This is what makes a WAV rendering exact
// and lets it run faster than real time.
#pragma once

#include "audiotoolbox/Sound.h"
#include "audiotoolbox/Voices.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace audio {

// Below half of full scale a sample passes unchanged; above it, it bends smoothly towards a
// ceiling a little under full scale that it never reaches, however loud the mix.
std::int16_t softLimit(double sample);

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
    // Mixes samples [from, from + out.size()) into `out`, scaled by `gain` and passed through
    // softLimit, so that no pile of voices clips.
    void render(std::uint64_t from, std::span<std::int16_t> out, double gain = 1.0) const;
    // Drops the voices that end at or before `position`, from the earliest on: samples
    // before it are never rendered again. Keeps a long session's memory flat.
    void forget(std::uint64_t position);
    // Where time starts: nothing is placed before it (a file that already holds that much).
    void startAt(std::uint64_t position) { m_latest = std::max(m_latest, position); }
    std::uint64_t latest() const { return m_latest; }

private:
    std::size_t m_maxVoices;
    std::vector<Voice> m_voices;         // in order of start
    std::vector<std::size_t> m_sounding; // indices of voices not yet over, oldest first
    std::uint64_t m_latest = 0;
    std::uint64_t m_settledLength = 0; // the furthest end among voices that are over
    std::uint64_t m_longest = 0;       // the longest sound placed, to bound render's search
};

} // namespace audio
