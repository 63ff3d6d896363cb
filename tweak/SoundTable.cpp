#include "tweak/SoundTable.h"

#include <array>

namespace tweak {

namespace {

// Each path is written out whole, as installed; none is composed at run time.
constexpr const char* kBass[] = {
    "/Library/Application Support/Tapsonata/bass/do1.mp3",
    "/Library/Application Support/Tapsonata/bass/re.mp3",
    "/Library/Application Support/Tapsonata/bass/mi.mp3",
    "/Library/Application Support/Tapsonata/bass/fa.mp3",
    "/Library/Application Support/Tapsonata/bass/sol.mp3",
    "/Library/Application Support/Tapsonata/bass/la.mp3",
    "/Library/Application Support/Tapsonata/bass/si.mp3",
    "/Library/Application Support/Tapsonata/bass/do2.mp3",
};
constexpr const char* kDrums[] = {
    "/Library/Application Support/Tapsonata/drums/1.mp3",
    "/Library/Application Support/Tapsonata/drums/2.mp3",
    "/Library/Application Support/Tapsonata/drums/3.mp3",
    "/Library/Application Support/Tapsonata/drums/4.mp3",
    "/Library/Application Support/Tapsonata/drums/5.mp3",
    "/Library/Application Support/Tapsonata/drums/6.mp3",
    "/Library/Application Support/Tapsonata/drums/7.mp3",
    "/Library/Application Support/Tapsonata/drums/8.mp3",
    "/Library/Application Support/Tapsonata/drums/9.mp3",
    "/Library/Application Support/Tapsonata/drums/10.mp3",
    "/Library/Application Support/Tapsonata/drums/11.mp3",
    "/Library/Application Support/Tapsonata/drums/12.mp3",
    "/Library/Application Support/Tapsonata/drums/13.mp3",
};
constexpr const char* kGuitar[] = {
    "/Library/Application Support/Tapsonata/guitar/do1.mp3",
    "/Library/Application Support/Tapsonata/guitar/re.mp3",
    "/Library/Application Support/Tapsonata/guitar/mi.mp3",
    "/Library/Application Support/Tapsonata/guitar/fa.mp3",
    "/Library/Application Support/Tapsonata/guitar/sol.mp3",
    "/Library/Application Support/Tapsonata/guitar/la.mp3",
    "/Library/Application Support/Tapsonata/guitar/si.mp3",
    "/Library/Application Support/Tapsonata/guitar/do2.mp3",
};
constexpr const char* kPiano[] = {
    "/Library/Application Support/Tapsonata/piano/do1.mp3",
    "/Library/Application Support/Tapsonata/piano/re.mp3",
    "/Library/Application Support/Tapsonata/piano/mi.mp3",
    "/Library/Application Support/Tapsonata/piano/fa.mp3",
    "/Library/Application Support/Tapsonata/piano/sol.mp3",
    "/Library/Application Support/Tapsonata/piano/la.mp3",
    "/Library/Application Support/Tapsonata/piano/si.mp3",
    "/Library/Application Support/Tapsonata/piano/do2.mp3",
};
constexpr const char* kViolin[] = {
    "/Library/Application Support/Tapsonata/violin/do1.mp3",
    "/Library/Application Support/Tapsonata/violin/re.mp3",
    "/Library/Application Support/Tapsonata/violin/mi.mp3",
    "/Library/Application Support/Tapsonata/violin/fa.mp3",
    "/Library/Application Support/Tapsonata/violin/sol.mp3",
    "/Library/Application Support/Tapsonata/violin/la.mp3",
    "/Library/Application Support/Tapsonata/violin/si.mp3",
    "/Library/Application Support/Tapsonata/violin/do2.mp3",
};

struct Row {
    const char* const* paths;
    std::size_t count;
    std::size_t offset; // of the row's first entry in the whole table
};

constexpr Row kRows[] = {
    {kBass, std::size(kBass), 0},      {kDrums, std::size(kDrums), 8},
    {kGuitar, std::size(kGuitar), 21}, {kPiano, std::size(kPiano), 29},
    {kViolin, std::size(kViolin), 37},
};
static_assert(std::size(kBass) + std::size(kDrums) + std::size(kGuitar) + std::size(kPiano) +
                  std::size(kViolin) ==
              kSoundTableSize);

// Held for the life of the process, like the device's table.
std::array<const NS::URL*, kSoundTableSize> g_urls{};

} // namespace

bool isInstrument(Instrument instrument) {
    return instrument >= kFirstInstrument && instrument <= kLastInstrument;
}

std::size_t noteCount(Instrument instrument) {
    return isInstrument(instrument) ? kRows[instrument - 1].count : 0;
}

const char* notePath(Instrument instrument, std::size_t index) {
    return index < noteCount(instrument) ? kRows[instrument - 1].paths[index] : nullptr;
}

std::size_t tableIndex(Instrument instrument, std::size_t index) {
    return kRows[instrument - 1].offset + index;
}

void buildSoundTable() {
    for (Instrument instrument = kFirstInstrument; instrument <= kLastInstrument; ++instrument) {
        for (std::size_t i = 0; i < noteCount(instrument); ++i) {
            const NS::URL*& slot = g_urls[tableIndex(instrument, i)];
            if (slot) // built again (tests do): let go of the old URL
                slot->release();
            slot = NS::URL::fileURLWithPath(notePath(instrument, i)).leak();
        }
    }
}

const NS::URL* soundURL(Instrument instrument, std::size_t index) {
    return index < noteCount(instrument) ? g_urls[tableIndex(instrument, index)] : nullptr;
}

} // namespace tweak
