// Fanning out to several outputs, and the live OpenAL output, heard through a loopback device
// that mixes only when asked.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/Voices.h"
#include "support/RecordingOutput.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::shared_ptr<const audio::Sound> tone(SystemSoundID id, std::size_t length) {
    auto sound = std::make_shared<audio::Sound>();
    sound->id = id;
    for (std::size_t i = 0; i < length; ++i)
        sound->samples.push_back(static_cast<std::int16_t>(i % 100 < 50 ? 12000 : -12000));
    return sound;
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

// What the live output plays is heard and its voice freed afterwards; the seventeenth play
// steals the voice that started first.
TEST_F(OpenALLoopback, PlaysWhatItIsGivenFreesTheVoiceAfterwardsAndStealsTheOldest) {
    EXPECT_TRUE(silent(al->render(1024))) << "before any play";
    auto sound = tone(1, 4410);
    al->play({sound, 0ns});
    al->play({sound, 0ns});
    EXPECT_EQ(al->bufferCount(), 1u) << "a buffer per play";
    EXPECT_GT(energy(al->render(4410)), 2 * 4410 * 1000);
    al->render(4096); // past the sound's end, resampler tail included
    EXPECT_TRUE(al->soundingVoices().empty());
    EXPECT_TRUE(silent(al->render(1024))) << "after the sound's end";
    std::vector<SystemSoundID> expected;
    for (SystemSoundID id = 1; id <= audio::kMaxVoices + 2; ++id) {
        al->play({tone(id, 44100), 0ns});
        expected.push_back(id);
        if (expected.size() > audio::kMaxVoices)
            expected.erase(expected.begin());
        ASSERT_EQ(al->soundingVoices(), expected);
    }
}

} // namespace
