// The virtual-clock mixer and the WAV file it writes: exact positions, the voice cap with
// stealing, the soft limiter, a file that grows by appending, and a file any player reads.
#include "audiotoolbox/Clock.h"
#include "audiotoolbox/Timeline.h"
#include "audiotoolbox/Voices.h"
#include "audiotoolbox/WavOutput.h"
#include "support/TemporaryRoot.h"

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Samples = std::vector<std::int16_t>;

// A ramp 1, 2, 3, ... so that every sample tells where in the sound it came from.
std::shared_ptr<const audio::Sound> ramp(SystemSoundID id, std::size_t length) {
    auto sound = std::make_shared<audio::Sound>();
    sound->id = id;
    for (std::size_t i = 0; i < length; ++i)
        sound->samples.push_back(static_cast<std::int16_t>(i % 30000 + 1));
    return sound;
}

Samples rendered(const audio::Timeline& t, std::uint64_t from, std::size_t count) {
    Samples out(count);
    t.render(from, out);
    return out;
}

TEST(SamplePosition, IsExactForWholeSamplesAndRoundsTheRest) {
    EXPECT_EQ(audio::samplePosition(-5ms), 0u);
    EXPECT_EQ(audio::samplePosition(10ms), 441u);
    // One sample is 22675.7 ns: a little under half rounds down, a little over rounds up.
    EXPECT_EQ(audio::samplePosition(11337ns), 0u);
    EXPECT_EQ(audio::samplePosition(11339ns), 1u);
    EXPECT_EQ(audio::samplePosition(std::chrono::hours(24 * 30)), 44100ull * 3600 * 24 * 30);
}

TEST(Timeline, TheSeventeenthVoiceStealsTheFirst) {
    audio::Timeline t;
    for (std::uint64_t i = 0; i < audio::kMaxVoices; ++i)
        EXPECT_FALSE(t.place(ramp(SystemSoundID(i + 1), 1000), i * 10)) << "voice " << i;
    auto stolen = t.place(ramp(17, 1000), 200);
    ASSERT_TRUE(stolen);
    EXPECT_EQ(*stolen, 0u);
    EXPECT_EQ(t.soundingVoices(), 16u);
    const auto& voices = t.voices();
    ASSERT_EQ(voices.size(), 17u);
    EXPECT_EQ(voices[0].end, 200u) << "cut where the new voice starts";
    for (std::size_t i = 1; i < voices.size(); ++i)
        EXPECT_EQ(voices[i].end, voices[i].start + 1000) << "voice " << i << " left alone";
    // In the mix, voices 1 to 15 each play sample (position - start) + 1; the first voice
    // stops at 200 and the seventeenth starts there.
    int before = 0, after = 0;
    for (int i = 1; i < 16; ++i) {
        before += 199 - i * 10 + 1;
        after += 200 - i * 10 + 1;
    }
    EXPECT_EQ(rendered(t, 199, 1)[0], before + 200);
    EXPECT_EQ(rendered(t, 200, 1)[0], after + 1);
}

TEST(Timeline, AnEndedVoiceFreesItsPlaceAndIsNeverCutAgain) {
    audio::Timeline t;
    t.place(ramp(1, 10), 0); // over by 10
    for (std::uint64_t i = 1; i < audio::kMaxVoices; ++i)
        t.place(ramp(2, 1000), i);
    EXPECT_FALSE(t.place(ramp(3, 1000), 20)) << "takes the place of the voice that ended";
    auto stolen = t.place(ramp(4, 1000), 30);
    ASSERT_TRUE(stolen);
    EXPECT_EQ(*stolen, 1u);
    EXPECT_EQ(t.voices()[0].end, 10u);
    t.place(ramp(5, 10), 0);
    EXPECT_EQ(t.voices().back().start, 30u) << "a play stamped earlier starts at the latest";
}

TEST(SoftLimit, PassesQuietSamplesAndBendsLoudOnesBelowFullScale) {
    double previous = 0;
    for (double in :
         {0.0, 1.0, 9000.0, 16384.0, 16385.0, 20000.0, 32767.0, 40000.0, 70000.0, 1e6, 1e12}) {
        const std::int16_t out = audio::softLimit(in);
        if (in <= 16384) {
            EXPECT_EQ(out, in) << "quiet samples pass unchanged";
        }
        EXPECT_LT(out, 32767) << in;
        EXPECT_GE(out, previous) << "louder in is never quieter out, at " << in;
        EXPECT_EQ(audio::softLimit(-in), -out) << in;
        previous = out;
    }
}

// A WAV file's bytes, with its little-endian fields and its samples.
struct Wav {
    explicit Wav(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::uint32_t u(std::size_t at, int n) const {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
        return v;
    }
    Samples samples() const {
        Samples out;
        for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
            out.push_back(static_cast<std::int16_t>(u(at, 2)));
        return out;
    }
    std::string bytes;
};

// A long session written as it goes (brought up to date every 16 keys, as interactive typing
// does) is the very file that mixing the whole session at once gives, at each volume.
TEST(WavOutput, AppendingAsItGoesGivesTheWholeMixWithMemoryFlat) {
    TemporaryRoot root;
    for (double volume : {1.0, 0.5, 0.0}) {
        audio::Timeline whole;
        audio::WavOutput wav(root.path("/long.wav"), 0ns, {volume, false});
        std::size_t mostVoicesKept = 0;
        for (std::size_t key = 0; key < 600; ++key) {
            auto note = ramp(SystemSoundID(key), 3000 + key % 7 * 5000);
            const auto at = 150ms * static_cast<long>(key);
            whole.place(note, audio::samplePosition(at));
            wav.play({note, at});
            if (key % 16 == 15) {
                ASSERT_TRUE(wav.write());
            }
            mostVoicesKept = std::max(mostVoicesKept, wav.timeline().voices().size());
        }
        ASSERT_TRUE(wav.write());
        Samples expected(whole.length());
        whole.render(0, expected, audio::kHeadroom * volume);
        EXPECT_EQ(Wav(root.path("/long.wav")).samples(), expected) << "volume " << volume;
        EXPECT_LT(mostVoicesKept, 50u) << "the voices of the settled past are let go";
    }
}

TEST(WavOutput, WritesAValidSixteenBitMonoHeaderAlsoWhenNothingPlayed) {
    TemporaryRoot root;
    for (std::size_t length : {0, 1001}) {
        {
            audio::WavOutput wav(root.path("/out.wav"), 0ns); // written on destruction
            if (length) {
                wav.play({ramp(1, length), 0ns});
                wav.finish();
            }
        }
        Wav w(root.path("/out.wav"));
        ASSERT_EQ(w.bytes.size(), 44 + 2 * length);
        EXPECT_EQ(w.u(4, 4), w.bytes.size() - 8);
        // fmt size 16, PCM, mono, 44100 Hz, 88200 bytes a second, 2-byte blocks of 16 bits.
        const char fmt[] =
            "WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data";
        EXPECT_EQ(w.bytes.substr(0, 4) + w.bytes.substr(8, 32), "RIFF" + std::string(fmt, 32));
        EXPECT_EQ(w.u(40, 4), 2 * length);
    }
}

} // namespace
