#include "audiotoolbox/OpenALOutput.h"

#include "audiotoolbox/Voices.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <span>
#include <string_view>
#include <unistd.h>

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

// OpenAL Soft takes the period size and count only from its configuration, which it reads
// once, when a device is first opened: a file of ours named by ALSOFT_CONF, unless the user
// names one. Its output limiter keeps a chord of loud notes from clipping.
void configureOpenAL(const LiveOptions& options) {
    static const bool done = [&] {
        if (std::getenv("ALSOFT_CONF"))
            return true;
        std::error_code ec;
        const auto file = std::filesystem::temp_directory_path(ec) /
                          ("tapsonata-alsoft-" + std::to_string(getpid()) + ".conf");
        std::ofstream out(file);
        out << "[general]\nperiod_size = " << std::clamp(options.periodFrames, 64, 8192)
            << "\nperiods = " << std::clamp(options.periods, 2, 16) << "\noutput-limiter = true\n";
        if (out.flush())
            setenv("ALSOFT_CONF", file.c_str(), 1);
        return true;
    }();
    (void)done;
}

// Forgets the file once OpenAL Soft has read it.
void forgetConfiguration() {
    const char* file = std::getenv("ALSOFT_CONF");
    if (file && std::string_view(file).find("/tapsonata-alsoft-") != std::string_view::npos) {
        std::remove(file);
        unsetenv("ALSOFT_CONF");
    }
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
                                                        const int* attributes, float gain) {
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
        out->m_voices.push_back({source, nullptr, 0});
    }
    if (out->m_voices.empty())
        return nullptr;
    alListenerf(AL_GAIN, std::max(gain, 0.0f));
    // Every sound made so far gets its buffer now, every later one when it is created.
    addSoundListener(out);
    for (const auto& sound : createdSounds())
        out->bufferFor(sound);
    return out;
}

std::shared_ptr<OpenALOutput> OpenALOutput::open(const LiveOptions& options) {
    quietSoundLibraries();
    configureOpenAL(options);
    ALCdevice* device = alcOpenDevice(options.device.empty() ? nullptr : options.device.c_str());
    forgetConfiguration();
    if (!device)
        return nullptr;
    ALCint frequency = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
    const ALCint refresh =
        frequency > 0 ? std::max(1, frequency / std::max(options.periodFrames, 1)) : 0;
    std::vector<ALCint> attributes = {ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE};
    if (refresh)
        attributes.insert(attributes.end(), {ALC_REFRESH, refresh});
    attributes.push_back(0);
    return withContext(device, false, attributes.data(), options.gain);
}

std::vector<std::string> OpenALOutput::deviceNames() {
    quietSoundLibraries();
    const bool all = alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT");
    std::vector<std::string> names;
    if (const ALCchar* def = alcGetString(nullptr, all ? ALC_DEFAULT_ALL_DEVICES_SPECIFIER
                                                       : ALC_DEFAULT_DEVICE_SPECIFIER);
        def && *def)
        names.emplace_back(def);
    // A list of names, each ended by a nul, the list by another.
    const ALCchar* list =
        alcGetString(nullptr, all ? ALC_ALL_DEVICES_SPECIFIER : ALC_DEVICE_SPECIFIER);
    for (; list && *list; list += std::char_traits<char>::length(list) + 1)
        if (std::find(names.begin(), names.end(), list) == names.end())
            names.emplace_back(list);
    return names;
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
    return withContext(device, true, attributes, 1.0f);
}

OpenALOutput::~OpenALOutput() {
    std::lock_guard guard(g_alLock);
    if (makeCurrent()) {
        for (Voice& voice : m_voices) {
            release(voice);
            alDeleteSources(1, &voice.source);
        }
        for (const auto& [sound, buffer] : m_buffers)
            alDeleteBuffers(1, &buffer.name);
        deleteRetired();
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(contextOf(m_context));
    alcCloseDevice(deviceOf(m_device));
}

bool OpenALOutput::makeCurrent() const {
    // Making a context current takes OpenAL's list lock and checks the context: the audio
    // thread's context is nearly always current already.
    ALCcontext* context = contextOf(m_context);
    return alcGetCurrentContext() == context || alcMakeContextCurrent(context) == ALC_TRUE;
}

bool OpenALOutput::isSounding(const Voice& voice) const {
    if (!voice.sound)
        return false;
    ALint state = AL_STOPPED;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void OpenALOutput::release(Voice& voice) {
    if (!voice.sound)
        return;
    alSourceStop(voice.source);
    alSourcei(voice.source, AL_BUFFER, 0);
    voice.sound.reset();
}

unsigned OpenALOutput::bufferFor(const std::shared_ptr<const Sound>& sound) {
    auto it = m_buffers.find(sound.get());
    if (it != m_buffers.end()) {
        if (it->second.sound.lock() == sound)
            return it->second.name;
        // A sound gone without a disposal (a built-in or a host's own) left its address free.
        m_retired.push_back(it->second.name);
        m_buffers.erase(it);
    }
    if (sound->samples.empty())
        return 0;
    ALuint name = 0;
    alGetError();
    alGenBuffers(1, &name);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alBufferData(name, AL_FORMAT_MONO16, sound->samples.data(),
                 static_cast<ALsizei>(sound->samples.size() * sizeof(std::int16_t)),
                 static_cast<ALsizei>(kSampleRate));
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &name);
        return 0;
    }
    // Sounds that were never created (built-ins, a host's own) leave no disposal behind.
    std::erase_if(m_buffers, [&](const auto& entry) {
        if (!entry.second.sound.expired())
            return false;
        m_retired.push_back(entry.second.name);
        return true;
    });
    m_buffers.emplace(sound.get(), Buffer{sound, name});
    return name;
}

void OpenALOutput::deleteRetired() {
    std::erase_if(m_retired, [](ALuint name) {
        alGetError();
        alDeleteBuffers(1, &name); // refused while a source still holds it
        return alGetError() == AL_NO_ERROR;
    });
}

void OpenALOutput::soundCreated(const std::shared_ptr<const Sound>& sound) {
    std::lock_guard guard(g_alLock);
    // Made only while the sound is still there: a disposal that came first has nothing to free.
    if (makeCurrent() && findSystemSound(sound->id) == sound)
        bufferFor(sound);
}

void OpenALOutput::soundDisposed(const Sound& sound) {
    std::lock_guard guard(g_alLock);
    auto it = m_buffers.find(&sound);
    if (it == m_buffers.end() || !makeCurrent())
        return;
    m_retired.push_back(it->second.name);
    m_buffers.erase(it);
    deleteRetired();
}

void OpenALOutput::play(const Play& play) {
    std::lock_guard guard(g_alLock);
    if (!makeCurrent())
        return;
    // At most kMaxVoices: no allocation on the audio thread for a key press.
    std::array<VoiceState, kMaxVoices> states{};
    for (std::size_t i = 0; i < m_voices.size(); ++i) {
        Voice& voice = m_voices[i];
        bool sounding = isSounding(voice);
        if (!sounding)
            release(voice); // a finished voice lets go of its buffer
        states[i] = {sounding, voice.startOrder};
    }
    if (!m_retired.empty())
        deleteRetired();
    const ALuint buffer = bufferFor(play.sound);
    if (!buffer)
        return;
    Voice& voice = m_voices[chooseVoice(std::span(states).first(m_voices.size()))];
    release(voice);
    alGetError();
    alSourcei(voice.source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcePlay(voice.source);
    voice.sound = play.sound;
    if (alGetError() != AL_NO_ERROR) {
        release(voice);
        return;
    }
    voice.startOrder = ++m_started;
}

std::size_t OpenALOutput::bufferCount() const {
    std::lock_guard guard(g_alLock);
    return m_buffers.size() + m_retired.size();
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
