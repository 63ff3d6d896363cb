// The process's system sounds: the built-in ones and those created from files, by identifier.
#pragma once

#include "audiotoolbox/Sound.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace audio {

// Created identifiers start here, above every built-in one, and count up.
inline constexpr SystemSoundID kFirstCreatedSoundID = 4096;

// The keyboard's two clicks, which sound as a short synthesized tick. Other built-in
// identifiers play nothing.
inline constexpr SystemSoundID kKeyPressClickSoundID = 1104;
inline constexpr SystemSoundID kKeyPressDeleteSoundID = 1105;

namespace detail {

// Registers a decoded sound under a new identifier, which it writes into the sound and returns.
SystemSoundID addSound(std::shared_ptr<Sound> sound);
bool removeSound(SystemSoundID id);
std::size_t soundCount();

} // namespace detail

// Told of each sound created from a file, once it has its identifier, and of each one disposed
// of (a voice may still hold it), on the creating or disposing thread: an output that keeps its
// own copy of every sound (OpenAL's buffers) makes and frees it then, not on each play.
class SoundListener {
public:
    virtual ~SoundListener() = default;
    virtual void soundCreated(const std::shared_ptr<const Sound>& sound) = 0;
    virtual void soundDisposed(const Sound& sound) = 0;
};
// Held weakly: a listener that is gone is forgotten.
void addSoundListener(std::weak_ptr<SoundListener> listener);
// The sounds created and not yet disposed of.
std::vector<std::shared_ptr<const Sound>> createdSounds();

// The sound an identifier plays: a built-in or a created one; null when there is none. Takes
// no lock.
std::shared_ptr<const Sound> findSystemSound(SystemSoundID id);

} // namespace audio
