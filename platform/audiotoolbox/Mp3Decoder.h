// Decodes a whole MP3 file with libmpg123 into the mono 16-bit 44.1 kHz samples every output
// plays. Gapless: the encoder's delay and padding are cut, so sample 0 is the note's first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace audio {

enum class DecodeResult {
    ok,
    notFound,    // no such file
    invalid,     // not an MP3, or not a single sample in it
    tooLong,     // longer than a system sound may be
    unavailable, // libmpg123 would not start
};

// A system sound plays for at most this long; a longer file is refused rather than held in
// memory whole.
inline constexpr std::uint32_t kMaxSoundSeconds = 30;

// Fills `samples` only on success.
DecodeResult decodeMp3(const std::filesystem::path& file, std::vector<std::int16_t>& samples);

} // namespace audio
