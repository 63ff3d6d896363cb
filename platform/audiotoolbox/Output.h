// Where played sounds go. AudioServicesPlaySystemSound never calls an output on its caller's
// thread: it stamps the play with the clock and hands it to the audio thread, which reports the
// "sound" event and calls the current output. An output may therefore take its time.
#pragma once

#include "audiotoolbox/Sound.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

struct Play {
    std::shared_ptr<const Sound> sound; // never null
    std::chrono::nanoseconds at{};      // the clock's time when the play was asked for
};

class Output {
public:
    virtual ~Output() = default;
    // Called on the audio thread, one play at a time, in the order the plays were asked for.
    virtual void play(const Play& play) = 0;
    // Writes out whatever is pending (a WAV file). Called by the host, and once at exit.
    virtual void finish() {}
    // "openal", "wav", "silence", "recording", or children joined by '+'.
    virtual std::string kind() const = 0;
};

class SilentOutput final : public Output {
public:
    void play(const Play&) override {}
    std::string kind() const override { return "silence"; }
};

// Hands every play to each of its outputs, in order: live sound and a WAV file at once.
class TeeOutput final : public Output {
public:
    explicit TeeOutput(std::vector<std::shared_ptr<Output>> outputs);
    void play(const Play& play) override;
    void finish() override;
    std::string kind() const override;

private:
    std::vector<std::shared_ptr<Output>> m_outputs;
};

// The current output; null installs silence, which is also what a process starts with: the
// library loads into every process, and only a host opens a device.
void setOutput(std::shared_ptr<Output> output);
std::shared_ptr<Output> output();

// How many plays may wait for the audio thread; past that the oldest waiting one is dropped.
inline constexpr std::size_t kMaxPendingPlays = 256;

// Blocks until every play asked for before the call has reached the output (or been dropped).
void waitForPendingPlays();
// Plays dropped unheard because more than kMaxPendingPlays were waiting for the audio thread.
std::uint64_t droppedPlays();

} // namespace audio
