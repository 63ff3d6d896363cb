// Checks the 45 shipped instrument notes: present, decodable, prompt, in tune and sane.
#include "support/Pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mpg123.h>
#include <numbers>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr long kRate = 44100;
const fs::path kResources = TAPSONATA_RESOURCES_DIR;

struct Note {
    std::string dir;
    std::string name;
    double hz; // 0 for drums
};

std::vector<Note> allNotes() {
    const char* names[] = {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"};
    const int steps[] = {0, 2, 4, 5, 7, 9, 11, 12};
    // MIDI key of each instrument's do1: C3 for bass and guitar, C4 piano, C5 violin.
    const std::pair<const char*, int> tonal[] = {
        {"bass", 48}, {"guitar", 48}, {"piano", 60}, {"violin", 72}};
    std::vector<Note> notes;
    for (auto [dir, root] : tonal)
        for (int i = 0; i < 8; ++i)
            notes.push_back({dir, names[i], 440.0 * std::exp2((root + steps[i] - 69) / 12.0)});
    for (int i = 1; i <= 13; ++i)
        notes.push_back({"drums", std::to_string(i), 0});
    return notes;
}

std::vector<Note> tonalNotes() {
    auto notes = allNotes();
    std::erase_if(notes, [](const Note& n) { return n.hz == 0; });
    return notes;
}

void PrintTo(const Note& n, std::ostream* os) {
    *os << n.dir << "/" << n.name;
}

fs::path pathOf(const Note& n) {
    return kResources / n.dir / (n.name + ".mp3");
}

struct Decoded {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    bool cbr = false;
    int kbps = 0;
    std::vector<float> pcm; // mono, full scale 1.0
};

// Decodes with libmpg123 in gapless mode, so the encoder delay and padding recorded in the
// Info tag are removed and sample 0 is the first sample of the note.
std::optional<Decoded> decode(const fs::path& file) {
    static const int init = mpg123_init();
    if (init != MPG123_OK)
        return std::nullopt;
    std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> mh(mpg123_new(nullptr, nullptr),
                                                                &mpg123_delete);
    if (!mh || mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS, 0) != MPG123_OK ||
        mpg123_open(mh.get(), file.c_str()) != MPG123_OK)
        return std::nullopt;
    Decoded d;
    if (mpg123_getformat(mh.get(), &d.rate, &d.channels, &d.encoding) != MPG123_OK)
        return std::nullopt;
    std::vector<short> buf(8192);
    for (;;) {
        size_t got = 0;
        int rc = mpg123_read(mh.get(), buf.data(), buf.size() * sizeof(short), &got);
        for (size_t i = 0; i + d.channels <= got / sizeof(short); i += d.channels)
            d.pcm.push_back(buf[i] / 32768.0f);
        if (rc == MPG123_DONE)
            break;
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            return std::nullopt;
    }
    mpg123_frameinfo info{};
    mpg123_info(mh.get(), &info);
    d.cbr = info.vbr == MPG123_CBR;
    d.kbps = info.bitrate;
    return d;
}

float peak(const std::vector<float>& x, size_t from, size_t to) {
    float p = 0;
    for (size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, std::abs(x[i]));
    return p;
}

// Fundamental of the tone from 100 ms on, over up to 400 ms.
double pitch(const std::vector<float>& x) {
    const size_t start = kRate / 10;
    if (x.size() <= start)
        return 0;
    return support::fundamental(x, start, std::min<size_t>(x.size() - start, kRate * 2 / 5), kRate);
}

class NoteFile : public testing::TestWithParam<Note> {};

TEST_P(NoteFile, DecodesAsMonoConstantBitRate) {
    auto d = decode(pathOf(GetParam()));
    ASSERT_TRUE(d) << pathOf(GetParam()) << " is missing or does not decode";
    EXPECT_EQ(d->rate, kRate);
    EXPECT_EQ(d->channels, 1);
    EXPECT_EQ(d->encoding, MPG123_ENC_SIGNED_16);
    EXPECT_TRUE(d->cbr);
    EXPECT_GE(d->kbps, 32);
    EXPECT_LE(d->kbps, 96);
}

TEST_P(NoteFile, LastsUnderASecondWithoutClippingOrEndClick) {
    auto d = decode(pathOf(GetParam()));
    ASSERT_TRUE(d);
    const auto& x = d->pcm;
    double seconds = double(x.size()) / kRate;
    EXPECT_GE(seconds, 0.1);
    EXPECT_LE(seconds, 1.0);
    float top = peak(x, 0, x.size());
    EXPECT_GT(top, 0.25f) << "too quiet";
    EXPECT_LT(top, 0.98f) << "clips";
    // The fade-out leaves the last 2 ms close to silence.
    EXPECT_LT(peak(x, x.size() - kRate / 500, x.size()), 0.02f * top);
}

TEST_P(NoteFile, StartsWithinOneMillisecond) {
    auto d = decode(pathOf(GetParam()));
    ASSERT_TRUE(d);
    // An encoder delay left in front (14-40 ms of silence) keeps the first 44 samples near
    // zero; a note that starts at once is already well above that there.
    float top = peak(d->pcm, 0, d->pcm.size());
    float first = peak(d->pcm, 0, kRate / 1000);
    EXPECT_GT(first, 0.03f * top) << "first ms peak " << first << " of " << top;
}

INSTANTIATE_TEST_SUITE_P(Resources, NoteFile, testing::ValuesIn(allNotes()),
                         [](const auto& info) { return info.param.dir + "_" + info.param.name; });

class TonalNote : public testing::TestWithParam<Note> {};

TEST_P(TonalNote, IsInTune) {
    const Note& n = GetParam();
    auto d = decode(pathOf(n));
    ASSERT_TRUE(d);
    double hz = pitch(d->pcm);
    ASSERT_GT(hz, 0) << "no pitch found";
    double cents = 1200 * std::log2(hz / n.hz);
    EXPECT_LT(std::abs(cents), 50) << hz << " Hz, expected " << n.hz << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Resources, TonalNote, testing::ValuesIn(tonalNotes()),
                         [](const auto& info) { return info.param.dir + "_" + info.param.name; });

TEST(NoteSet, HoldsExactlyTheFortyFiveNotesInAFewHundredKilobytes) {
    std::set<fs::path> expected;
    for (const auto& n : allNotes())
        expected.insert(pathOf(n));
    ASSERT_EQ(expected.size(), 45u);
    std::set<fs::path> found;
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(kResources)) {
        auto ext = e.path().extension();
        if (ext == ".mp3" || ext == ".wav" || ext == ".caf" || ext == ".m4a" || ext == ".aiff") {
            found.insert(e.path());
            bytes += e.file_size();
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_LE(bytes, 400u * 1024);
    EXPECT_GE(bytes, 100u * 1024);
}

// Zero crossings per second: low for kick and toms, high for hi-hats and cymbals.
double crossingRate(const std::vector<float>& x) {
    size_t n = std::min<size_t>(x.size(), kRate / 5), crossings = 0;
    for (size_t i = 1; i < n; ++i)
        crossings += (x[i - 1] < 0) != (x[i] < 0);
    return double(crossings) * kRate / n;
}

TEST(NoteSet, DrumsAreThirteenDifferentHits) {
    std::vector<std::vector<float>> hits;
    for (int i = 1; i <= 13; ++i) {
        auto d = decode(kResources / "drums" / (std::to_string(i) + ".mp3"));
        ASSERT_TRUE(d) << "drum " << i;
        hits.push_back(std::move(d->pcm));
    }
    for (size_t a = 0; a < hits.size(); ++a)
        for (size_t b = a + 1; b < hits.size(); ++b) {
            size_t n = std::min(hits[a].size(), hits[b].size());
            double diff = 0, energy = 0;
            for (size_t i = 0; i < n; ++i) {
                diff += std::pow(hits[a][i] - hits[b][i], 2);
                energy += std::pow(hits[a][i], 2) + std::pow(hits[b][i], 2);
            }
            EXPECT_GT(diff, 0.2 * energy) << "drums " << a + 1 << " and " << b + 1;
        }
    // Kick (1) and toms (7-9) are low; closed and open hi-hat (5, 6), crash (10) and
    // ride (11) are bright.
    double lowMax = 0, brightMin = 1e9;
    for (int i : {1, 7, 8, 9})
        lowMax = std::max(lowMax, crossingRate(hits[i - 1]));
    for (int i : {5, 6, 10, 11})
        brightMin = std::min(brightMin, crossingRate(hits[i - 1]));
    EXPECT_LT(lowMax, brightMin);
}

} // namespace
