// The SoundTable: the 45 notes the key-click hook can play, as file URLs, one ordered list per
// Instrument. Built once at load by the library's second initialiser, then only read.
#pragma once

#include "foundation/URL.h"

#include <cstddef>
#include <cstdint>

namespace tweak {

// 1 = bass, 2 = drums, 3 = guitar, 4 = piano, 5 = violin.
using Instrument = std::int32_t;
inline constexpr Instrument kFirstInstrument = 1;
inline constexpr Instrument kLastInstrument = 5;
inline constexpr std::size_t kSoundTableSize = 45;

bool isInstrument(Instrument instrument);
// 13 for drums, 8 for the others; 0 outside 1..5.
std::size_t noteCount(Instrument instrument);
// The device path of entry `index` of an Instrument, or null outside the table.
const char* notePath(Instrument instrument, std::size_t index);
// Position of the entry in the whole table (0..44), for per-note state.
std::size_t tableIndex(Instrument instrument, std::size_t index);

// Builds the 45 URLs. Opens no file.
void buildSoundTable();
// The URL of an entry; null before the table is built or outside it.
const NS::URL* soundURL(Instrument instrument, std::size_t index);

} // namespace tweak
