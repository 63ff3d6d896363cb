// Every entry of the sound table, made into a system sound by the hook's own function, is a note
// of its own instrument at the pitch its name says, prompt, clean and short. One check guards
// the table, the installed files and the platform's decoder together.
#include "tweak/SoundTable.h"

#include "KeyClickFixture.h"
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/SystemSounds.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRate = audio::kSampleRate;
const char* const kInstruments[] = {"", "bass", "drums", "guitar", "piano", "violin"};
const char* const kNames[] = {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"};
const int kSteps[] = {0, 2, 4, 5, 7, 9, 11, 12};
// MIDI key of each tonal instrument's do1: C3 for bass and guitar, C4 piano, C5 violin.
const int kDo1[] = {0, 48, 0, 48, 60, 72};

struct Entry {
    int instrument;
    unsigned index;
    bool drum() const { return instrument == 2; }
    std::string name() const {
        return drum() ? std::to_string(index + 1) : std::string(kNames[index]);
    }
    double hz() const { return 440.0 * std::exp2((kDo1[instrument] + kSteps[index] - 69) / 12.0); }
    friend void PrintTo(const Entry& e, std::ostream* out) {
        *out << kInstruments[e.instrument] << '/' << e.name();
    }
};

std::vector<Entry> entries() {
    std::vector<Entry> all;
    for (int i = tweak::kFirstInstrument; i <= tweak::kLastInstrument; ++i)
        for (unsigned n = 0; n < tweak::noteCount(i); ++n)
            all.push_back({i, n});
    return all;
}

// The notes installed and the table built, as for the hook's tests.
class SoundTable : public KeyClickFixture, public testing::WithParamInterface<Entry> {
protected:
    // The note's samples, full scale 1.0, from the sound the hook makes of it.
    static std::vector<float> decoded(const Entry& e) {
        std::vector<float> pcm;
        if (auto sound = audio::findSystemSound(tweak::noteSound(e.instrument, e.index)))
            for (std::int16_t s : sound->samples)
                pcm.push_back(static_cast<float>(s) / 32768.0f);
        return pcm;
    }
};

// The fundamental by YIN, searching 50 Hz to 2 kHz: the first lag whose cumulative-mean-
// normalised difference dips under 0.15, taken to its minimum and refined between its
// neighbours. A decaying piano tone reads 20-35 cents sharp, well inside a semitone.
double fundamental(const std::vector<float>& x, std::size_t start) {
    const std::size_t window = 2048, minLag = kRate / 2000, maxLag = kRate / 50;
    if (start + window + maxLag + 1 > x.size())
        return 0;
    std::vector<double> cmnd(maxLag + 2, 1.0);
    double running = 0;
    for (std::size_t lag = 1; lag <= maxLag + 1; ++lag) {
        double d = 0;
        for (std::size_t j = start; j < start + window; ++j)
            d += double(x[j] - x[j + lag]) * double(x[j] - x[j + lag]);
        running += d;
        cmnd[lag] = running > 0 ? d * double(lag) / running : 1.0;
    }
    auto from = cmnd.begin() + std::ptrdiff_t(minLag), to = cmnd.begin() + std::ptrdiff_t(maxLag);
    auto dip = std::find_if(from, to, [](double v) { return v < 0.15; });
    std::size_t best = std::size_t((dip == to ? std::min_element(from, to) : dip) - cmnd.begin());
    while (best < maxLag && cmnd[best + 1] < cmnd[best])
        ++best;
    double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    double shift = (a - 2 * b + c) > 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
    return double(kRate) / (double(best) + shift);
}

float peak(const std::vector<float>& x, std::size_t from, std::size_t to) {
    float p = 0;
    for (std::size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, std::abs(x[i]));
    return p;
}

TEST_P(SoundTable, EntryIsANoteOfItsInstrumentAtThePitchItsNameSays) {
    const Entry& e = GetParam();
    ASSERT_TRUE(tweak::soundURL(e.instrument, e.index));
    EXPECT_EQ(tweak::soundURL(e.instrument, e.index)->path(),
              std::string("/Library/Application Support/Tapsonata/") + kInstruments[e.instrument] +
                  "/" + e.name() + ".mp3");
    std::vector<float> x = decoded(e);
    ASSERT_FALSE(x.empty()) << "does not decode";
    EXPECT_GE(x.size(), kRate / 10);
    EXPECT_LE(x.size(), kRate);
    float top = peak(x, 0, x.size());
    EXPECT_GT(top, 0.25f) << "too quiet";
    EXPECT_LT(top, 0.98f) << "clips";
    // Gapless: an encoder delay left in front keeps the first millisecond near silence.
    EXPECT_GT(peak(x, 0, kRate / 1000), 0.03f * top) << "starts late";
    EXPECT_LT(peak(x, x.size() - kRate / 500, x.size()), 0.02f * top) << "ends in a click";
    if (e.drum())
        return;
    double hz = fundamental(x, kRate / 10);
    EXPECT_LT(std::abs(1200 * std::log2(hz / e.hz())), 50) << hz << " Hz, wanted " << e.hz();
}

INSTANTIATE_TEST_SUITE_P(Tapsonata, SoundTable, testing::ValuesIn(entries()), [](const auto& info) {
    return std::string(kInstruments[info.param.instrument]) + "_" + info.param.name();
});

// Through the table, thirteen different hits: kick (1) and toms (7-9) low, hi-hats (5, 6), crash
// (10) and ride (11) bright, by how often each crosses zero.
using Drums = SoundTable;
TEST_F(Drums, AreThirteenDifferentHitsLowAndBrightWhereTheirNamesSay) {
    std::vector<std::vector<float>> hits;
    std::vector<double> crossings;
    for (unsigned i = 0; i < 13; ++i) {
        const std::vector<float>& x = hits.emplace_back(decoded({2, i}));
        ASSERT_FALSE(x.empty()) << "drum " << i + 1;
        std::size_t n = 0;
        for (std::size_t s = 1; s < x.size(); ++s)
            n += (x[s - 1] < 0) != (x[s] < 0);
        crossings.push_back(double(n) / double(x.size()));
        for (unsigned j = 0; j < i; ++j) {
            double diff = 0, energy = 0;
            for (std::size_t s = 0; s < std::min(x.size(), hits[j].size()); ++s) {
                diff += (x[s] - hits[j][s]) * (x[s] - hits[j][s]);
                energy += x[s] * x[s] + hits[j][s] * hits[j][s];
            }
            EXPECT_GT(diff, 0.2 * energy) << "drums " << j + 1 << " and " << i + 1;
        }
    }
    EXPECT_LT(std::max({crossings[0], crossings[6], crossings[7], crossings[8]}),
              std::min({crossings[4], crossings[5], crossings[9], crossings[10]}));
}

// Every entry is an installed file of its own (above), and no other sound ships.
TEST(InstalledNotes, AreTheTablesFortyFiveFilesInAFewHundredKilobytes) {
    std::size_t files = 0;
    std::uintmax_t bytes = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(TAPSONATA_RESOURCES_DIR))
        if (std::set<std::string>{".mp3", ".wav", ".caf", ".m4a", ".aiff"}.count(
                file.path().extension())) {
            ++files;
            bytes += file.file_size();
        }
    EXPECT_EQ(files, tweak::kSoundTableSize);
    EXPECT_LE(bytes, 400u * 1024);
    EXPECT_GE(bytes, 100u * 1024);
}

} // namespace
