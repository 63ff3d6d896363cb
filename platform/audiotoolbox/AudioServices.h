// AudioToolbox's system sounds: short sounds created from files and played by identifier.
//
// AudioServicesPlaySystemSound is hookable: it jumps through a slot that the hooking facility
// replaces, so every call, from any code in the process, enters an installed hook first.
// What the slot holds at first is the real player, which never blocks its caller.
#pragma once

#include "audiotoolbox/Sound.h"
#include "foundation/URL.h"

#include <cstddef>
#include <cstdint>

using OSStatus = std::int32_t;

inline constexpr OSStatus kAudioServicesNoError = 0;
inline constexpr OSStatus kAudioServicesSystemSoundUnspecifiedError = -1500;
inline constexpr OSStatus kAudioServicesBadSpecifierError = 0x73706563; // four-char code
inline constexpr OSStatus kAudio_ParamError = -50;
inline constexpr OSStatus kAudio_FileNotFoundError = -43;
inline constexpr OSStatus kAudio_BadFilePathError = 0x21707468;    // '!pth'
inline constexpr OSStatus kAudioFileInvalidFileError = 0x6474613F; // 'dta?'

extern "C" {

// Decodes the MP3 file of a file URL (a device path) into a new system sound. On failure
// returns an error and leaves *outSystemSoundID as it was:
//   kAudio_ParamError           null URL or out pointer, or not a file URL
//   kAudio_BadFilePathError     no device root, or a path that is not absolute within it
//   kAudio_FileNotFoundError    no such file
//   kAudioFileInvalidFileError  not an MP3 (or no sound in it)
//   kAudioServicesSystemSoundUnspecifiedError  longer than 30 s, or no decoder
// Created identifiers are never those of built-in sounds (such as 1104 and 1105).
// Safe from any thread.
OSStatus AudioServicesCreateSystemSoundID(const NS::URL* inFileURL,
                                          SystemSoundID* outSystemSoundID);

// Plays a system sound without blocking: the sound is handed to the audio thread, which reports
// it as a "sound" event and plays it on the current output (see Output.h). The keyboard clicks
// 1104 and 1105 sound as a short tick; other built-in identifiers and unknown ones play nothing.
void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID);

// Frees a created sound; a voice still playing it plays on to its end.
// kAudioServicesBadSpecifierError for an identifier that was not created or is already freed.
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID);

} // extern "C"

namespace audio {

// Sounds created and not yet disposed of.
std::size_t liveSystemSounds();

} // namespace audio
