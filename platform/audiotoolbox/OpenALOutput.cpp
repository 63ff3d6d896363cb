#include "audiotoolbox/OpenALOutput.h"

#include "audiotoolbox/Voices.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <string_view>

namespace audio {

namespace {

// OpenAL's current context is process-wide, so every output takes this lock and makes its own
// context current before touching anything.
std::mutex g_alLock;

ALCdevice* deviceOf(void* p) {
    return static_cast<ALCdevice*>(p);
}
ALCcontext* contextOf(void* p) {
    return static_cast<ALCcontext*>(p);
}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a host without sound hardware, ALSA and OpenAL Soft each print a page of errors while
// OpenAL looks for a device. Only the host asks for a device, so only then are they quieted.
void quietSoundLibraries() {
    static const bool done = [] {
        setenv("ALSOFT_LOGLEVEL", "0", 0); // read when OpenAL first opens a device
        if (void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL)) {
            using SetHandler =
                int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
            if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
                set(ignoreAlsaError);
        }
        return true;
    }();
    (void)done;
}

std::string nameOf(ALCdevice* device) {
    const ALCchar* name = alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT")
                              ? alcGetString(device, ALC_ALL_DEVICES_SPECIFIER)
                              : alcGetString(device, ALC_DEVICE_SPECIFIER);
    return name ? name : "";
}

} // namespace

OpenALOutput::OpenALOutput(void* device, void* context, bool loopback, std::string deviceName)
    : m_device(device), m_context(context), m_loopback(loopback),
      m_deviceName(std::move(deviceName)) {}

std::shared_ptr<OpenALOutput> OpenALOutput::withContext(void* device, bool loopback,
                                                        const int* attributes) {
    ALCdevice* dev = deviceOf(device);
    std::string name = nameOf(dev);
    ALCcontext* context = nullptr;
    if (!loopback && name == "No Output") {
        alcCloseDevice(dev);
        return nullptr;
    }
    context = alcCreateContext(dev, attributes);
    if (!context) {
        alcCloseDevice(dev);
        return nullptr;
    }
    std::shared_ptr<OpenALOutput> out(new OpenALOutput(dev, context, loopback, std::move(name)));
    std::lock_guard guard(g_alLock);
    if (!out->makeCurrent())
        return nullptr;
    for (std::size_t i = 0; i < kMaxVoices; ++i) {
        ALuint source = 0;
        alGetError();
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR)
            break;
        // Heard as it is, without distance or panning.
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0, 0, 0);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0);
        out->m_voices.push_back({source, 0, nullptr, 0});
    }
    if (out->m_voices.empty())
        return nullptr;
    return out;
}

std::shared_ptr<OpenALOutput> OpenALOutput::openDefaultDevice() {
    quietSoundLibraries();
    ALCdevice* device = alcOpenDevice(nullptr);
    return device ? withContext(device, false, nullptr) : nullptr;
}

std::shared_ptr<OpenALOutput> OpenALOutput::openLoopback() {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback"))
        return nullptr;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    ALCdevice* device = open ? open(nullptr) : nullptr;
    if (!device)
        return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_MONO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 static_cast<ALCint>(kSampleRate),
                                 0};
    return withContext(device, true, attributes);
}

OpenALOutput::~OpenALOutput() {
    std::lock_guard guard(g_alLock);
    if (makeCurrent()) {
        for (Voice& voice : m_voices) {
            release(voice);
            alDeleteSources(1, &voice.source);
        }
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(contextOf(m_context));
    alcCloseDevice(deviceOf(m_device));
}

bool OpenALOutput::makeCurrent() const {
    return alcMakeContextCurrent(contextOf(m_context)) == ALC_TRUE;
}

bool OpenALOutput::isSounding(const Voice& voice) const {
    if (!voice.buffer)
        return false;
    ALint state = AL_STOPPED;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void OpenALOutput::release(Voice& voice) {
    if (!voice.buffer)
        return;
    alSourceStop(voice.source);
    alSourcei(voice.source, AL_BUFFER, 0);
    alDeleteBuffers(1, &voice.buffer);
    voice.buffer = 0;
    voice.sound.reset();
}

void OpenALOutput::play(const Play& play) {
    const auto& samples = play.sound->samples;
    if (samples.empty())
        return;
    std::lock_guard guard(g_alLock);
    if (!makeCurrent())
        return;
    std::vector<VoiceState> states;
    for (Voice& voice : m_voices) {
        bool sounding = isSounding(voice);
        if (!sounding)
            release(voice); // a finished voice gives its buffer back
        states.push_back({sounding, voice.startOrder});
    }
    Voice& voice = m_voices[chooseVoice(states)];
    release(voice);
    alGetError();
    alGenBuffers(1, &voice.buffer);
    if (alGetError() != AL_NO_ERROR) {
        voice.buffer = 0;
        return;
    }
    alBufferData(voice.buffer, AL_FORMAT_MONO16, samples.data(),
                 static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)),
                 static_cast<ALsizei>(kSampleRate));
    alSourcei(voice.source, AL_BUFFER, static_cast<ALint>(voice.buffer));
    alSourcePlay(voice.source);
    if (alGetError() != AL_NO_ERROR) {
        release(voice);
        return;
    }
    voice.sound = play.sound;
    voice.startOrder = ++m_started;
}

std::vector<SystemSoundID> OpenALOutput::soundingVoices() const {
    std::lock_guard guard(g_alLock);
    std::vector<const Voice*> sounding;
    if (makeCurrent())
        for (const Voice& voice : m_voices)
            if (isSounding(voice))
                sounding.push_back(&voice);
    std::sort(sounding.begin(), sounding.end(),
              [](const Voice* a, const Voice* b) { return a->startOrder < b->startOrder; });
    std::vector<SystemSoundID> ids;
    ids.reserve(sounding.size());
    for (const Voice* voice : sounding)
        ids.push_back(voice->sound->id);
    return ids;
}

std::vector<std::int16_t> OpenALOutput::render(std::size_t frames) {
    if (!m_loopback)
        return {};
    static const auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!renderSamples)
        return {};
    std::vector<std::int16_t> out(frames);
    std::lock_guard guard(g_alLock);
    renderSamples(deviceOf(m_device), out.data(), static_cast<ALCsizei>(frames));
    return out;
}

} // namespace audio
