// The virtual-clock mixer and the WAV file it writes: exact positions, the voice cap with
// stealing, clipping, and a file any player reads.
#include "audiotoolbox/Clock.h"
#include "audiotoolbox/SystemSounds.h"
#include "audiotoolbox/Timeline.h"
#include "audiotoolbox/Voices.h"
#include "audiotoolbox/WavOutput.h"
#include "fixtures/Audio.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::shared_ptr<const audio::Sound> soundOf(SystemSoundID id, std::vector<std::int16_t> samples) {
    auto sound = std::make_shared<audio::Sound>();
    sound->id = id;
    sound->samples = std::move(samples);
    return sound;
}

// A ramp 1, 2, 3, ... so that every sample tells where in the sound it came from.
std::shared_ptr<const audio::Sound> ramp(SystemSoundID id, std::size_t length) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i)
        samples[i] = static_cast<std::int16_t>(i % 30000 + 1);
    return soundOf(id, std::move(samples));
}

std::vector<std::int16_t> rendered(const audio::Timeline& t, std::uint64_t from,
                                   std::size_t count) {
    std::vector<std::int16_t> out(count);
    t.render(from, out);
    return out;
}

TEST(VoiceChoice, TakesTheFirstSilentVoiceElseTheOldest) {
    std::vector<audio::VoiceState> voices = {{true, 5}, {false, 9}, {true, 2}, {false, 1}};
    EXPECT_EQ(audio::chooseVoice(voices), 1u);
    voices[1].sounding = voices[3].sounding = true;
    EXPECT_EQ(audio::chooseVoice(voices), 3u);
    voices[3].startOrder = 10;
    EXPECT_EQ(audio::chooseVoice(voices), 2u);
}

TEST(SamplePosition, IsExactForWholeSamplesAndRoundsTheRest) {
    EXPECT_EQ(audio::samplePosition(0ns), 0u);
    EXPECT_EQ(audio::samplePosition(-5ms), 0u);
    EXPECT_EQ(audio::samplePosition(1s), 44100u);
    EXPECT_EQ(audio::samplePosition(250ms), 11025u);
    EXPECT_EQ(audio::samplePosition(10ms), 441u);
    // One sample is 22675.7 ns: a little under half rounds down, a little over rounds up.
    EXPECT_EQ(audio::samplePosition(11337ns), 0u);
    EXPECT_EQ(audio::samplePosition(11339ns), 1u);
    // Days of time without overflow.
    EXPECT_EQ(audio::samplePosition(std::chrono::hours(24 * 30)), 44100ull * 3600 * 24 * 30);
}

TEST(Timeline, TheSeventeenthVoiceStealsTheFirst) {
    audio::Timeline t;
    for (std::uint64_t i = 0; i < audio::kMaxVoices; ++i)
        EXPECT_FALSE(t.place(ramp(SystemSoundID(i + 1), 1000), i * 10)) << "voice " << i;
    EXPECT_EQ(t.soundingVoices(), 16u);
    auto stolen = t.place(ramp(17, 1000), 200);
    ASSERT_TRUE(stolen);
    EXPECT_EQ(*stolen, 0u);
    EXPECT_EQ(t.soundingVoices(), 16u);
    const auto& voices = t.voices();
    ASSERT_EQ(voices.size(), 17u);
    EXPECT_EQ(voices[0].end, 200u) << "cut where the new voice starts";
    for (std::size_t i = 1; i < voices.size(); ++i)
        EXPECT_EQ(voices[i].end, voices[i].start + 1000) << "voice " << i << " left alone";
    // In the mix, the first voice stops at 200 and the seventeenth starts there.
    int before = 0,
        after = 0; // voices 1 to 15 each play sample (position - start) as its value - 1
    for (int i = 1; i < 16; ++i) {
        before += 199 - i * 10 + 1;
        after += 200 - i * 10 + 1;
    }
    EXPECT_EQ(rendered(t, 199, 1)[0], before + 200);
    EXPECT_EQ(rendered(t, 200, 1)[0], after + 1)
        << "first voice gone, seventeenth at its first sample";
}

TEST(Timeline, AVoiceThatEndedFreesItsPlace) {
    audio::Timeline t;
    for (std::uint64_t i = 0; i < audio::kMaxVoices; ++i)
        t.place(ramp(1, 100), i);
    EXPECT_FALSE(t.place(ramp(2, 100), 100)) << "voice 0 ended at 100";
    EXPECT_EQ(t.voices()[0].end, 100u);
    EXPECT_EQ(t.soundingVoices(), 16u);
    EXPECT_TRUE(t.place(ramp(3, 100), 100)) << "now all sixteen sound again";
    EXPECT_EQ(t.voices()[1].end, 100u);
}

TEST(Timeline, StealsTheOldestOfThoseStillSounding) {
    audio::Timeline t;
    t.place(ramp(1, 10), 0); // over by 10
    for (std::uint64_t i = 1; i < audio::kMaxVoices; ++i)
        t.place(ramp(2, 1000), i);
    t.place(ramp(3, 1000), 20); // takes the place of the first, which ended
    auto stolen = t.place(ramp(4, 1000), 30);
    ASSERT_TRUE(stolen);
    EXPECT_EQ(*stolen, 1u);
    EXPECT_EQ(t.voices()[0].end, 10u) << "an ended voice is never cut again";
}

TEST(Timeline, MixesOverlappingVoicesAndClipsAtSixteenBits) {
    audio::Timeline t;
    t.place(soundOf(1, {1000, 2000, 30000, -30000}), 2);
    t.place(soundOf(2, {5, 5000, -5000, -5000, -5000}), 3);
    EXPECT_EQ(t.length(), 8u);
    EXPECT_EQ(rendered(t, 0, 9),
              (std::vector<std::int16_t>{0, 0, 1000, 2005, 32767, -32768, -5000, -5000, 0}));
}

TEST(Timeline, NeverRunsBack) {
    audio::Timeline t;
    t.place(ramp(1, 10), 100);
    t.place(ramp(2, 10), 40);
    EXPECT_EQ(t.voices()[1].start, 100u);
    EXPECT_EQ(rendered(t, 100, 1)[0], 2);
}

TEST(Timeline, RendersAnyWindowLikeTheWhole) {
    audio::Timeline t;
    for (std::uint64_t i = 0; i < 40; ++i)
        t.place(ramp(SystemSoundID(i), 500 + i * 37), i * 113);
    auto whole = rendered(t, 0, t.length());
    for (std::uint64_t from : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{499},
                               std::uint64_t{2000}, t.length() - 3})
        EXPECT_EQ(rendered(t, from, 3),
                  std::vector<std::int16_t>(whole.begin() + from, whole.begin() + from + 3))
            << "at " << from;
}

// The parts of a WAV file.
struct Wav {
    std::string riff, wave, fmt, data;
    std::uint32_t riffSize = 0, fmtSize = 0, rate = 0, byteRate = 0, dataSize = 0;
    std::uint16_t format = 0, channels = 0, blockAlign = 0, bits = 0;
    std::vector<std::int16_t> samples;
    std::size_t fileSize = 0;
};

Wav readWav(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav w;
    w.fileSize = bytes.size();
    if (bytes.size() < 44)
        return w;
    auto u = [&](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    w.riff = bytes.substr(0, 4), w.wave = bytes.substr(8, 4), w.fmt = bytes.substr(12, 4),
    w.data = bytes.substr(36, 4);
    w.riffSize = u(4, 4), w.fmtSize = u(16, 4), w.format = u(20, 2), w.channels = u(22, 2);
    w.rate = u(24, 4), w.byteRate = u(28, 4), w.blockAlign = u(32, 2), w.bits = u(34, 2),
    w.dataSize = u(40, 4);
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        w.samples.push_back(static_cast<std::int16_t>(u(at, 2)));
    return w;
}

class WavOutputTest : public testing::Test {
protected:
    fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "tapsonata-wav-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()) ? pattern : "");
    }();
    ~WavOutputTest() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

TEST_F(WavOutputTest, PlacesEachSoundAtItsClockTimeToTheSample) {
    audio::ManualClock clock(10s);
    audio::WavOutput wav(dir / "out.wav", clock.now());
    auto a = ramp(1, 300), b = ramp(2, 200);
    clock.advance(250ms);
    wav.play({a, clock.now()});
    clock.advance(10ms);
    wav.play({b, clock.now()});
    ASSERT_TRUE(wav.write());
    Wav w = readWav(dir / "out.wav");
    ASSERT_EQ(w.samples.size(), 11025u + 441 + 200);
    for (std::size_t i = 0; i < 11025; ++i)
        ASSERT_EQ(w.samples[i], 0) << "silence before the first play, at " << i;
    for (std::size_t i = 0; i < 300; ++i)
        ASSERT_EQ(w.samples[11025 + i], a->samples[i] + (i >= 441 ? b->samples[i - 441] : 0))
            << "at " << i;
    for (std::size_t i = 0; i < 200; ++i)
        ASSERT_EQ(w.samples[11025 + 441 + i], b->samples[i]);
}

TEST_F(WavOutputTest, WritesAValidSixteenBitMonoHeader) {
    audio::WavOutput wav(dir / "out.wav", 0ns);
    wav.play({ramp(1, 1001), 0ns});
    wav.finish();
    Wav w = readWav(dir / "out.wav");
    EXPECT_EQ(w.riff, "RIFF");
    EXPECT_EQ(w.wave, "WAVE");
    EXPECT_EQ(w.fmt, "fmt ");
    EXPECT_EQ(w.data, "data");
    EXPECT_EQ(w.fmtSize, 16u);
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(w.byteRate, 88200u);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.dataSize, 2002u);
    EXPECT_EQ(w.riffSize, w.fileSize - 8);
    EXPECT_EQ(w.fileSize, 44u + 2002);
}

TEST_F(WavOutputTest, WritesAnEmptyFileWhenNothingPlayedAndOnDestruction) {
    { audio::WavOutput wav(dir / "quiet.wav", 0ns); }
    Wav w = readWav(dir / "quiet.wav");
    EXPECT_EQ(w.riff, "RIFF");
    EXPECT_EQ(w.dataSize, 0u);
    EXPECT_EQ(w.fileSize, 44u);
}

TEST_F(WavOutputTest, RewritesTheWholeFileOnEachWrite) {
    audio::WavOutput wav(dir / "out.wav", 0ns);
    wav.play({ramp(1, 10), 0ns});
    ASSERT_TRUE(wav.write());
    wav.play({ramp(2, 10), 1s});
    ASSERT_TRUE(wav.write());
    Wav w = readWav(dir / "out.wav");
    EXPECT_EQ(w.samples.size(), 44100u + 10);
    EXPECT_EQ(w.samples[44100], 1);
    EXPECT_FALSE(fs::exists(dir / "out.wav.partial"));
}

TEST_F(WavOutputTest, ReportsAFileItCannotWrite) {
    audio::WavOutput wav(dir / "no" / "such" / "folder.wav", 0ns);
    wav.play({ramp(1, 10), 0ns});
    EXPECT_FALSE(wav.write());
    EXPECT_FALSE(fs::exists(dir / "no"));
}

TEST_F(WavOutputTest, KeepsTheVoiceCap) {
    audio::WavOutput wav(dir / "out.wav", 0ns);
    for (int i = 0; i < 17; ++i)
        wav.play({ramp(SystemSoundID(i), 44100), std::chrono::milliseconds(i)});
    audio::Timeline t = wav.timeline();
    EXPECT_EQ(t.soundingVoices(), 16u);
    EXPECT_EQ(t.voices()[0].end, audio::samplePosition(16ms));
}

// Through the public functions: plays stamped by a manual clock land in the file at the
// moments they were asked for, however fast the test runs.
TEST_F(WavOutputTest, RendersPlaysAtTheirVirtualTimes) {
    fixtures::NotesRoot root;
    fixtures::AudioSandbox sandbox;
    SystemSoundID note = sandbox.create(fixtures::kNotes + "/piano/do2.mp3");
    ASSERT_NE(note, 0u);
    auto wav = std::make_shared<audio::WavOutput>(dir / "typed.wav");
    audio::setOutput(wav);
    sandbox.clock->advance(2s);
    AudioServicesPlaySystemSound(note);
    sandbox.clock->advance(1500ms);
    AudioServicesPlaySystemSound(1104);
    audio::waitForPendingPlays();
    ASSERT_TRUE(wav->write());
    const auto& samples = audio::findSystemSound(note)->samples;
    const auto& click = audio::findSystemSound(1104)->samples;
    Wav w = readWav(dir / "typed.wav");
    ASSERT_EQ(w.samples.size(), 3 * 44100u + 22050 + click.size());
    EXPECT_EQ(std::vector<std::int16_t>(w.samples.begin() + 88200,
                                        w.samples.begin() + 88200 + samples.size()),
              samples);
    EXPECT_EQ(std::vector<std::int16_t>(w.samples.end() - click.size(), w.samples.end()), click);
}

} // namespace
