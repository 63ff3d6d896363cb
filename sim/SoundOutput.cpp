#include "sim/SoundOutput.h"

#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/WavOutput.h"
#include "device/Events.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <vector>

namespace sim {

namespace {

std::uint32_t readLE(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

// The samples of a WAV file this simulator wrote (16-bit mono at the output's rate); nothing
// for any other file.
std::vector<std::int16_t> readOwnWav(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<std::uint8_t, 44> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()))
        return {};
    auto tag = [&](std::size_t at, const char* text) {
        return std::equal(text, text + 4, header.begin() + static_cast<std::ptrdiff_t>(at));
    };
    if (!tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || !tag(36, "data") ||
        readLE(&header[20], 2) != 1 || readLE(&header[22], 2) != 1 ||
        readLE(&header[24], 4) != audio::kSampleRate || readLE(&header[34], 2) != 16)
        return {};
    std::vector<std::int16_t> samples(readLE(&header[40], 4) / 2);
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return {};
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(readLE(&bytes[2 * i], 2));
    return samples;
}

std::chrono::nanoseconds durationOf(std::size_t samples) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(
        (static_cast<long double>(samples) * 1e9L / audio::kSampleRate) + 0.5L));
}

} // namespace

std::shared_ptr<audio::ManualClock> openSoundOutput(const SoundOptions& options) {
    std::optional<std::filesystem::path> wavFile = options.wav;
    if (options.out != "live" && options.out != "none")
        wavFile = options.out;

    std::shared_ptr<audio::Output> live;
    if (options.out == "live")
        live = audio::OpenALOutput::openDefaultDevice();
    std::shared_ptr<audio::ManualClock> manual;
    if (!live) {
        manual = std::make_shared<audio::ManualClock>();
        audio::setClock(manual);
        // Virtual time: the events tell the moment within the rendering.
        device::setEventClock([manual] { return manual->now(); });
    }

    std::shared_ptr<audio::WavOutput> wav;
    if (wavFile) {
        std::vector<std::int16_t> before;
        if (options.appendWav)
            before = readOwnWav(*wavFile);
        const std::chrono::nanoseconds earlier = durationOf(before.size());
        if (manual)
            manual->set(earlier);
        // The origin lies as far back as the earlier part lasts, which goes in at sample 0.
        const std::chrono::nanoseconds origin = audio::clock()->now() - earlier;
        wav = std::make_shared<audio::WavOutput>(*wavFile, origin);
        if (!before.empty()) {
            auto sound = std::make_shared<audio::Sound>();
            sound->samples = std::move(before);
            wav->play(audio::Play{std::move(sound), origin});
        }
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
