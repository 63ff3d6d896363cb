// Live sound through OpenAL Soft: one source per voice, kMaxVoices of them; a play takes a
// silent source, or else stops the one that started first and takes it over. Each system sound
// is one OpenAL buffer, made when the sound is created (or first played, for sounds that are
// not created from files) and deleted when it is disposed of, so a play copies no samples.
#pragma once

#include "audiotoolbox/Output.h"
#include "audiotoolbox/SystemSounds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace audio {

// How the live device is opened. Short periods keep the time from key to ear low; more or
// longer ones are safer against underruns on a loaded machine.
struct LiveOptions {
    std::string device; // empty: the default device
    float gain = 1.0f;  // of everything played, 0 mutes
    int periodFrames = 256;
    int periods = 3;
};

class OpenALOutput final : public Output, public SoundListener {
public:
    // A device by its options; null when none opens. OpenAL Soft's "No Output" sink does not
    // count as a device. Quiets the sound libraries' complaints about missing hardware first.
    // The period options reach OpenAL Soft through its configuration, which it reads once per
    // process: the first device opened sets them.
    static std::shared_ptr<OpenALOutput> open(const LiveOptions& options);
    // The names open() takes, the default first.
    static std::vector<std::string> deviceNames();
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
    // OpenAL buffers held: one per sound created or played and not yet gone.
    std::size_t bufferCount() const;

    void soundCreated(const std::shared_ptr<const Sound>& sound) override;
    void soundDisposed(const Sound& sound) override;

private:
    struct Voice {
        unsigned source = 0;
        std::shared_ptr<const Sound> sound; // null while the source holds no buffer
        std::uint64_t startOrder = 0;
    };
    // Keyed by the sound's address, which the weak pointer confirms is still that sound.
    struct Buffer {
        std::weak_ptr<const Sound> sound;
        unsigned name = 0;
    };
    OpenALOutput(void* device, void* context, bool loopback, std::string deviceName);
    static std::shared_ptr<OpenALOutput> withContext(void* device, bool loopback,
                                                     const int* attributes, float gain);
    bool makeCurrent() const;
    bool isSounding(const Voice& voice) const;
    void release(Voice& voice);
    // The sound's buffer, made now if it has none; 0 when OpenAL refuses one.
    unsigned bufferFor(const std::shared_ptr<const Sound>& sound);
    // Deletes the retired buffers that no source holds any more.
    void deleteRetired();

    void* m_device;
    void* m_context;
    const bool m_loopback;
    const std::string m_deviceName;
    std::vector<Voice> m_voices;
    std::uint64_t m_started = 0;
    std::unordered_map<const Sound*, Buffer> m_buffers;
    std::vector<unsigned> m_retired; // of sounds gone, still held by a voice
};

} // namespace audio
