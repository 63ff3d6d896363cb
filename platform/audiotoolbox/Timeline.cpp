#include "audiotoolbox/Timeline.h"

#include <algorithm>
#include <limits>

namespace audio {

std::optional<std::size_t> Timeline::place(std::shared_ptr<const Sound> sound, std::uint64_t at) {
    at = std::max(at, m_latest);
    m_latest = at;
    std::erase_if(m_sounding, [&](std::size_t i) {
        bool over = m_voices[i].end <= at;
        if (over)
            m_settledLength = std::max(m_settledLength, m_voices[i].end);
        return over;
    });
    std::optional<std::size_t> stolen;
    if (m_sounding.size() >= m_maxVoices) {
        stolen = m_sounding.front();
        m_sounding.erase(m_sounding.begin());
        m_voices[*stolen].end = at;
        m_settledLength = std::max(m_settledLength, at);
    }
    std::uint64_t size = sound ? sound->samples.size() : 0;
    m_longest = std::max(m_longest, size);
    m_voices.push_back({std::move(sound), at, at + size});
    if (size > 0)
        m_sounding.push_back(m_voices.size() - 1);
    return stolen;
}

std::size_t Timeline::soundingVoices() const {
    return static_cast<std::size_t>(
        std::count_if(m_sounding.begin(), m_sounding.end(),
                      [&](std::size_t i) { return m_voices[i].end > m_latest; }));
}

std::uint64_t Timeline::length() const {
    std::uint64_t length = m_settledLength;
    for (std::size_t i : m_sounding)
        length = std::max(length, m_voices[i].end);
    return length;
}

void Timeline::render(std::uint64_t from, std::span<std::int16_t> out) const {
    const std::uint64_t to = from + out.size();
    std::vector<std::int32_t> mix(out.size(), 0);
    // Voices are in order of start and none is longer than m_longest, so only those starting
    // in [from - m_longest, to) can reach this window.
    const std::uint64_t earliest = from > m_longest ? from - m_longest : 0;
    auto first = std::lower_bound(m_voices.begin(), m_voices.end(), earliest,
                                  [](const Voice& v, std::uint64_t pos) { return v.start < pos; });
    for (auto v = first; v != m_voices.end() && v->start < to; ++v) {
        std::uint64_t begin = std::max(v->start, from), end = std::min(v->end, to);
        for (std::uint64_t pos = begin; pos < end; ++pos)
            mix[pos - from] += v->sound->samples[pos - v->start];
    }
    constexpr std::int32_t lo = std::numeric_limits<std::int16_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int16_t>::max();
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(mix[i], lo, hi));
}

} // namespace audio
