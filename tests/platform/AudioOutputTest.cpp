// Choosing an output (device, then WAV, then silence), fanning out to several, and the live
// OpenAL output, heard through a loopback device that mixes only when asked.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/Voices.h"
#include "audiotoolbox/WavOutput.h"
#include "support/RecordingOutput.h"
#include "support/TemporaryRoot.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::shared_ptr<const audio::Sound> tone(SystemSoundID id, std::size_t length) {
    auto sound = std::make_shared<audio::Sound>();
    sound->id = id;
    for (std::size_t i = 0; i < length; ++i)
        sound->samples.push_back(static_cast<std::int16_t>(i % 100 < 50 ? 12000 : -12000));
    return sound;
}

class OutputChoice : public testing::Test {
protected:
    ~OutputChoice() override { audio::setOutput(nullptr); }
    TemporaryRoot root;
    fs::path dir = root.root();
};

TEST_F(OutputChoice, TheDeviceWhenOneOpensElseTheAskedForWavElseSilence) {
    auto device = std::make_shared<support::RecordingOutput>();
    auto got = audio::openDefaultOutput(dir / "unused.wav", [&] { return device; });
    EXPECT_EQ(audio::output(), device);
    got->finish();
    EXPECT_FALSE(fs::exists(dir / "unused.wav"));

    got = audio::openDefaultOutput(dir / "out.wav", [] { return nullptr; });
    EXPECT_EQ(audio::output()->kind(), "wav");
    got->finish();
    EXPECT_TRUE(fs::exists(dir / "out.wav"));

    EXPECT_EQ(audio::openDefaultOutput(std::nullopt, [] { return nullptr; })->kind(), "silence");
}

TEST(TeeOutput, HandsEachPlayToEveryOutputInTurn) {
    auto a = std::make_shared<support::RecordingOutput>();
    auto b = std::make_shared<support::RecordingOutput>();
    audio::TeeOutput tee({a, nullptr, b});
    tee.play({tone(7, 10), 3ms});
    tee.finish();
    for (const auto& out : {a, b}) {
        ASSERT_EQ(out->count(), 1u);
        EXPECT_EQ(out->played()[0].at, 3ms);
        EXPECT_EQ(out->finished(), 1);
    }
}

class OpenALLoopback : public testing::Test {
protected:
    void SetUp() override {
        al = audio::OpenALOutput::openLoopback();
        if (!al)
            GTEST_SKIP() << "OpenAL Soft without the loopback extension";
    }
    std::shared_ptr<audio::OpenALOutput> al;
};

std::int64_t energy(const std::vector<std::int16_t>& x) {
    return std::accumulate(x.begin(), x.end(), std::int64_t{0},
                           [](std::int64_t sum, std::int16_t v) { return sum + std::abs(int(v)); });
}

// OpenAL Soft dithers its 16-bit output, so silence comes out as a sample or two of noise.
bool silent(const std::vector<std::int16_t>& x) {
    return std::all_of(x.begin(), x.end(), [](std::int16_t v) { return std::abs(int(v)) <= 2; });
}

TEST_F(OpenALLoopback, PlaysWhatItIsGivenFromOneBufferAndFreesTheVoiceAfterwards) {
    EXPECT_TRUE(silent(al->render(1024))) << "before any play";
    auto sound = tone(1, 4410);
    al->play({sound, 0ns});
    al->play({sound, 0ns});
    EXPECT_EQ(al->soundingVoices(), (std::vector<SystemSoundID>{1, 1}));
    EXPECT_EQ(al->bufferCount(), 1u) << "a buffer per play";
    EXPECT_GT(energy(al->render(4410)), 2 * 4410 * 1000);
    al->render(4096); // past the sound's end, resampler tail included
    EXPECT_TRUE(al->soundingVoices().empty());
    EXPECT_TRUE(silent(al->render(1024))) << "after the sound's end";
}

TEST_F(OpenALLoopback, ACreatedSoundIsUploadedOnceAndFreedWhenDisposedAndSilent) {
    TemporaryRoot root;
    root.installNotes();
    SystemSoundID id = 0;
    auto url = NS::URL::fileURLWithPath("/Library/Application Support/Tapsonata/drums/1.mp3");
    ASSERT_EQ(AudioServicesCreateSystemSoundID(url.ptr(), &id), kAudioServicesNoError);
    EXPECT_EQ(al->bufferCount(), 1u) << "made at creation";
    al->play({audio::findSystemSound(id), 0ns});
    ASSERT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_GT(energy(al->render(2048)), 2048 * 100) << "disposal cut the voice short";
    al->render(audio::kSampleRate * 2);
    al->play({tone(2, 10), 0ns}); // finished voices let go of their buffers here
    EXPECT_EQ(al->bufferCount(), 1u) << "the disposed sound's buffer was kept";
}

TEST_F(OpenALLoopback, TheSeventeenthPlayStealsTheVoiceThatStartedFirst) {
    for (SystemSoundID id = 1; id <= 17; ++id)
        al->play({tone(id, 44100), 0ns});
    std::vector<SystemSoundID> expected(audio::kMaxVoices);
    std::iota(expected.begin(), expected.end(), 2);
    EXPECT_EQ(al->soundingVoices(), expected);
    al->play({tone(18, 44100), 0ns});
    expected.erase(expected.begin());
    expected.push_back(18);
    EXPECT_EQ(al->soundingVoices(), expected);
}

} // namespace
