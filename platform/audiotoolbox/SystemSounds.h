// The process's system sounds: the built-in ones and those created from files, by identifier.
#pragma once

#include "audiotoolbox/Sound.h"

#include <cstddef>
#include <memory>

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

// The sound an identifier plays: a built-in or a created one; null when there is none.
std::shared_ptr<const Sound> findSystemSound(SystemSoundID id);

} // namespace audio
