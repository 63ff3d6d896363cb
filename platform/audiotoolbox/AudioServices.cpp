#include "audiotoolbox/AudioServices.h"

#include "audiotoolbox/AudioThread.h"
#include "audiotoolbox/Mp3Decoder.h"
#include "audiotoolbox/SystemSounds.h"
#include "device/Root.h"
#include "substrate/Hookable.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

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

// Files that failed to decode, with the size and time they had: asking again for one that has
// not changed fails at the price of a stat, not of another decode on a key press.
struct FileStamp {
    std::uintmax_t size;
    std::filesystem::file_time_type written;
    bool operator==(const FileStamp&) const = default;
};
std::mutex g_failedLock;
std::map<std::filesystem::path, std::pair<FileStamp, OSStatus>> g_failed;

std::optional<FileStamp> stampOf(const std::filesystem::path& file) {
    std::error_code sizeError, timeError;
    FileStamp stamp{std::filesystem::file_size(file, sizeError),
                    std::filesystem::last_write_time(file, timeError)};
    if (sizeError || timeError)
        return std::nullopt;
    return stamp;
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
    std::optional<FileStamp> stamp = stampOf(file);
    if (stamp) {
        std::lock_guard guard(g_failedLock);
        if (auto it = g_failed.find(file); it != g_failed.end() && it->second.first == *stamp)
            return it->second.second;
    }
    if (auto result = audio::decodeMp3(file, sound->samples); result != audio::DecodeResult::ok) {
        if (stamp) {
            std::lock_guard guard(g_failedLock);
            g_failed[file] = {*stamp, statusOf(result)};
        }
        return statusOf(result);
    }
    if (stamp) {
        std::lock_guard guard(g_failedLock);
        g_failed.erase(file);
    }
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
