// Live sound through OpenAL Soft: one source per voice, kMaxVoices of them; a play takes a
// silent source, or else stops the one that started first and takes it over.
#pragma once

#include "audiotoolbox/Output.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

class OpenALOutput final : public Output {
public:
    // The host's default device; null when none opens. OpenAL Soft's "No Output" sink does not
    // count as a device. Quiets the sound libraries' complaints about missing hardware first.
    static std::shared_ptr<OpenALOutput> openDefaultDevice();
    // A device that mixes only when render() asks, in mono 16-bit at 44.1 kHz: for tests, and
    // for anyone who wants to hear what OpenAL made of the plays.
    static std::shared_ptr<OpenALOutput> openLoopback();

    ~OpenALOutput() override;
    OpenALOutput(const OpenALOutput&) = delete;
    OpenALOutput& operator=(const OpenALOutput&) = delete;

    void play(const Play& play) override;
    std::string kind() const override { return "openal"; }
    const std::string& deviceName() const { return m_deviceName; }

    // The identifiers of the sounds its voices are playing now, the earliest started first.
    std::vector<SystemSoundID> soundingVoices() const;
    // Loopback devices only (empty otherwise): mixes and returns the next `frames` samples.
    std::vector<std::int16_t> render(std::size_t frames);

private:
    struct Voice {
        unsigned source = 0;
        unsigned buffer = 0;
        std::shared_ptr<const Sound> sound;
        std::uint64_t startOrder = 0;
    };
    OpenALOutput(void* device, void* context, bool loopback, std::string deviceName);
    static std::shared_ptr<OpenALOutput> withContext(void* device, bool loopback,
                                                     const int* attributes);
    bool makeCurrent() const;
    bool isSounding(const Voice& voice) const;
    void release(Voice& voice);

    void* m_device;
    void* m_context;
    const bool m_loopback;
    const std::string m_deviceName;
    std::vector<Voice> m_voices;
    std::uint64_t m_started = 0;
};

} // namespace audio
