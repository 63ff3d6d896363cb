// Renders plays into a 16-bit 44.1 kHz mono WAV file. Each sound lands at the sample of its
// play's clock time, counted from the origin, so with a ManualClock the file is exact and is
// made as fast as the plays arrive, not in real time.
#pragma once

#include "audiotoolbox/Output.h"
#include "audiotoolbox/Timeline.h"

#include <chrono>
#include <filesystem>
#include <mutex>

namespace audio {

class WavOutput final : public Output {
public:
    // The origin is the current clock's time now.
    explicit WavOutput(std::filesystem::path file);
    WavOutput(std::filesystem::path file, std::chrono::nanoseconds origin);
    // Writes the file if anything was played since it was last written.
    ~WavOutput() override;

    void play(const Play& play) override;
    // Writes the file.
    void finish() override;
    std::string kind() const override { return "wav"; }

    // Writes everything played so far (replacing the file whole); false when it cannot.
    bool write();
    const std::filesystem::path& file() const { return m_file; }
    // A copy of the timeline as it stands.
    Timeline timeline() const;

private:
    const std::filesystem::path m_file;
    const std::chrono::nanoseconds m_origin;
    mutable std::mutex m_lock;
    Timeline m_timeline;
    bool m_dirty = true; // an empty file is still written when asked for
};

} // namespace audio
