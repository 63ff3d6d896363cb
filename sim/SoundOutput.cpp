#include "sim/SoundOutput.h"

#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/WavOutput.h"
#include "device/Events.h"

#include <cstdint>
#include <vector>

namespace sim {

namespace {

std::chrono::nanoseconds durationOf(std::size_t samples) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(
        (static_cast<long double>(samples) * 1e9L / audio::kSampleRate) + 0.5L));
}

} // namespace

std::shared_ptr<audio::Output> openLiveOutput(const SoundOptions& options) {
    audio::LiveOptions live;
    live.device = options.device.value_or("");
    live.gain = static_cast<float>(options.volume) / 100.0f;
    live.periodFrames = periodFrames(options);
    live.periods = options.latency == "safe" ? 4 : 3;
    return audio::OpenALOutput::open(live);
}

int periodFrames(const SoundOptions& options) {
    return options.latency == "safe" ? 1024 : 256;
}

std::vector<std::string> liveDeviceNames() {
    return audio::OpenALOutput::deviceNames();
}

std::shared_ptr<audio::ManualClock> openSoundOutput(const SoundOptions& options) {
    std::optional<std::filesystem::path> wavFile = options.wav;
    if (options.out != "live" && options.out != "none")
        wavFile = options.out;

    std::shared_ptr<audio::Output> live;
    if (options.out == "live")
        live = openLiveOutput(options);
    std::shared_ptr<audio::ManualClock> manual;
    if (!live) {
        manual = std::make_shared<audio::ManualClock>();
        audio::setClock(manual);
        // Virtual time: the events tell the moment within the rendering.
        device::setEventClock([manual] { return manual->now(); });
    }

    std::shared_ptr<audio::WavOutput> wav;
    if (wavFile) {
        const std::uint64_t before =
            options.appendWav ? audio::WavOutput::samplesIn(*wavFile).value_or(0) : 0;
        const std::chrono::nanoseconds earlier = durationOf(before);
        if (manual)
            manual->set(earlier);
        // The origin lies as far back as the earlier part lasts.
        const std::chrono::nanoseconds origin = audio::clock()->now() - earlier;
        wav = std::make_shared<audio::WavOutput>(
            *wavFile, origin, audio::WavOptions{options.volume / 100.0, before > 0});
    }

    if (live && wav)
        audio::setOutput(std::make_shared<audio::TeeOutput>(
            std::vector<std::shared_ptr<audio::Output>>{live, wav}));
    else if (live)
        audio::setOutput(live);
    else
        audio::setOutput(wav);
    device::emit("output", {{"kind", audio::output()->kind()},
                            {"live", live != nullptr},
                            {"wav", wavFile ? std::optional<std::string>(wavFile->string())
                                            : std::optional<std::string>()}});
    return manual;
}

void flushSoundOutput() {
    audio::waitForPendingPlays();
    audio::output()->finish();
}

} // namespace sim
