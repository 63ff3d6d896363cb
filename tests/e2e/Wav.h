// Reading back the simulator's WAV files, and hearing what is in them: how loud they get.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace e2e {

inline constexpr long kRate = 44100;
using Samples = std::vector<std::int16_t>;

// The samples of a WAV file as the simulator writes it (16-bit mono PCM at kRate, one data
// chunk); nothing otherwise.
std::optional<Samples> readWav(const std::filesystem::path& file);

// The largest magnitude of any sample.
int peak(const Samples& samples);

} // namespace e2e
