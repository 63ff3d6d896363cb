// Reading back the simulator's WAV files, and hearing what is in them: where a note starts
// and which pitch it has.
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

// A 16-bit PCM WAV file; nothing when it is not one.
std::optional<Wav> readWav(const std::filesystem::path& file);

// The frequency of one of the tonal notes ("piano", "do1"): do1 is C3 for bass and guitar,
// C4 for piano and C5 for violin, and the octave runs do re mi fa sol la si do2.
double noteFrequency(const std::string& instrument, const std::string& note);

// The fundamental of the tone in samples [from, from + length): YIN finds the octave, then the
// strongest spectral line within 60 cents of it gives the frequency to about a cent.
double fundamental(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t length);

// The first sample at or after `from` whose magnitude exceeds `threshold`; nothing before `to`.
std::optional<std::size_t> firstSound(const std::vector<std::int16_t>& samples, std::size_t from,
                                      std::size_t to, int threshold);

// The largest magnitude in [from, to).
int peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to);

} // namespace e2e
