// Renders plays into a 16-bit 44.1 kHz mono WAV file. Each sound lands at the sample of its
// play's clock time, counted from the origin, so with a ManualClock the file is exact and is
// made as fast as the plays arrive, not in real time.
//
// The file grows as time passes: what no later play can change any more is mixed once and
// appended, and write() adds the notes still ringing and patches the header. A session of
// any length costs time in proportion to its sound and keeps only the last seconds in memory.
#pragma once

#include "audiotoolbox/Output.h"
#include "audiotoolbox/Timeline.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

namespace audio {

// The level of one voice in the mix: room for a few notes at once before the limiter bends
// their sum.
inline constexpr double kHeadroom = 0.5;

struct WavOptions {
    // 0 to 1: the volume, on top of the headroom; 0 writes silence of the right length.
    double volume = 1.0;
    // Go on after the sound a WAV already at the path holds (one this output wrote), which
    // then counts from the origin; otherwise the file is replaced.
    bool append = false;
};

class WavOutput final : public Output {
public:
    // The origin is the current clock's time now.
    explicit WavOutput(std::filesystem::path file);
    WavOutput(std::filesystem::path file, std::chrono::nanoseconds origin, WavOptions options = {});
    // Writes the file.
    ~WavOutput() override;

    void play(const Play& play) override;
    // Writes the file.
    void finish() override;
    std::string kind() const override { return "wav"; }

    // Brings the file up to date with everything played so far; false when it cannot.
    bool write();
    const std::filesystem::path& file() const { return m_file; }
    // The samples in a WAV file this output wrote; nothing for any other file.
    static std::optional<std::uint64_t> samplesIn(const std::filesystem::path& file);
    // A copy of the timeline as it stands: the voices not yet settled in the file.
    Timeline timeline() const;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool put(std::uint64_t from, std::uint64_t to); // mixes and writes [from, to)
    bool commit(std::uint64_t to);

    const std::filesystem::path m_file;
    const std::chrono::nanoseconds m_origin;
    const double m_gain;
    mutable std::mutex m_lock;
    std::unique_ptr<std::FILE, FileCloser> m_out;
    Timeline m_timeline;
    std::uint64_t m_before = 0;    // samples the file held when it was opened
    std::uint64_t m_committed = 0; // samples in the file that no play can change any more
    std::vector<std::int16_t> m_chunk;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace audio
