#include "audiotoolbox/Timeline.h"

#include <algorithm>
#include <cmath>

namespace audio {

std::int16_t softLimit(double sample) {
    constexpr double knee = 16384, ceiling = 31000; // about -0.5 dB below full scale
    const double size = std::abs(sample);
    if (size <= knee)
        return static_cast<std::int16_t>(std::lround(sample));
    const double bent = knee + (ceiling - knee) * std::tanh((size - knee) / (ceiling - knee));
    return static_cast<std::int16_t>(std::lround(std::copysign(bent, sample)));
}

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

void Timeline::forget(std::uint64_t position) {
    position = std::min(position, m_latest);
    std::erase_if(m_sounding, [&](std::size_t i) {
        bool over = m_voices[i].end <= position;
        if (over)
            m_settledLength = std::max(m_settledLength, m_voices[i].end);
        return over;
    });
    std::size_t gone = 0;
    while (gone < m_voices.size() && m_voices[gone].end <= position)
        m_settledLength = std::max(m_settledLength, m_voices[gone++].end);
    if (gone == 0)
        return;
    m_voices.erase(m_voices.begin(), m_voices.begin() + static_cast<std::ptrdiff_t>(gone));
    // A sounding voice ends after the latest position, so none of them was dropped.
    for (std::size_t& i : m_sounding)
        i -= gone;
}

void Timeline::render(std::uint64_t from, std::span<std::int16_t> out, double gain) const {
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
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = softLimit(mix[i] * gain);
}

} // namespace audio
