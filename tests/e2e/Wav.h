// Reading back the simulator's WAV files, and hearing what is in them: where a sound starts
// and how loud it gets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline constexpr long kRate = 44100;

struct Wav {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::vector<std::int16_t> samples;
};

// A WAV file as the simulator writes it (16-bit PCM, one data chunk); nothing otherwise.
std::optional<Wav> readWav(const std::filesystem::path& file);

// The first sample at or after `from` whose magnitude exceeds `threshold`; nothing before `to`.
std::optional<std::size_t> firstSound(const std::vector<std::int16_t>& samples, std::size_t from,
                                      std::size_t to, int threshold);

// The largest magnitude in [from, to).
int peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to);

} // namespace e2e
