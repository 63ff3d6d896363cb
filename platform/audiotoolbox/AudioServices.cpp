#include "audiotoolbox/AudioServices.h"

#include "audiotoolbox/AudioThread.h"
#include "audiotoolbox/Mp3Decoder.h"
#include "audiotoolbox/SystemSounds.h"
#include "device/Root.h"
#include "substrate/Hookable.h"

namespace {

// What the public entry does until a hook replaces it.
void playSystemSoundImpl(SystemSoundID id) {
    if (auto sound = audio::findSystemSound(id))
        audio::detail::post(std::move(sound));
}

// The hookable slot of AudioServicesPlaySystemSound, registered at load.
SUBSTRATE_HOOKABLE(g_playSlot, AudioServicesPlaySystemSound, playSystemSoundImpl);

OSStatus statusOf(audio::DecodeResult result) {
    switch (result) {
    case audio::DecodeResult::ok:
        return kAudioServicesNoError;
    case audio::DecodeResult::notFound:
        return kAudio_FileNotFoundError;
    case audio::DecodeResult::invalid:
        return kAudioFileInvalidFileError;
    case audio::DecodeResult::tooLong:
    case audio::DecodeResult::unavailable:
        break;
    }
    return kAudioServicesSystemSoundUnspecifiedError;
}

} // namespace

extern "C" {

OSStatus AudioServicesCreateSystemSoundID(const NS::URL* inFileURL,
                                          SystemSoundID* outSystemSoundID) {
    if (!inFileURL || !outSystemSoundID || !inFileURL->isFileURL())
        return kAudio_ParamError;
    std::filesystem::path file = device::resolve(inFileURL->path());
    if (file.empty())
        return kAudio_BadFilePathError;
    auto sound = std::make_shared<audio::Sound>();
    sound->file = inFileURL->path();
    if (auto result = audio::decodeMp3(file, sound->samples); result != audio::DecodeResult::ok)
        return statusOf(result);
    *outSystemSoundID = audio::detail::addSound(std::move(sound));
    return kAudioServicesNoError;
}

void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID) {
    substrate::call(g_playSlot, inSystemSoundID);
}

OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID) {
    return audio::detail::removeSound(inSystemSoundID) ? kAudioServicesNoError
                                                       : kAudioServicesBadSpecifierError;
}

} // extern "C"

namespace audio {

std::size_t liveSystemSounds() {
    return detail::soundCount();
}

} // namespace audio
