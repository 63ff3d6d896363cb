// What a WAV rendering holds: each note the log says was played, at the moment it was typed,
// mixed with the others exactly at the level asked for. (The notes' pitches are the notes'
// own tests' business.)
#include "SimDevice.h"
#include "audiotoolbox/Mp3Decoder.h"
#include "audiotoolbox/WavOutput.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace e2e {
namespace {

// The mix at each level: the notes summed at their keys' moments, at the volume on top of the
// headroom, through the limiter; muted, silence of the same length.
struct Level {
    std::string name;
    std::vector<std::string> flags;
    double volume;
    friend void PrintTo(const Level& row, std::ostream* os) { *os << row.name; }
};

class EachLevel : public testing::TestWithParam<Level> {};

TEST_P(EachLevel, IsTheExactMixOfTheNotesAtThePace) {
    SimDevice device({"--enabled", "--instrument", "guitar"});
    const std::string wavFile = device.scratch("mix.wav").string();
    const std::string phrase = "overlapping notes mix";
    const std::size_t pace = kRate / 10; // 100 ms: several notes sound at once
    std::vector<std::string> args = {"--seed", "5",     "--pace", "100",
                                     "--out",  wavFile, "type",   phrase};
    args.insert(args.end(), GetParam().flags.begin(), GetParam().flags.end());
    ASSERT_EQ(device.run(args).exitCode, 0);
    std::vector<std::string> files = values(device.events("sound", "keyboard"), "file");
    ASSERT_EQ(files.size(), phrase.size());

    std::map<std::string, std::vector<std::int16_t>> decoded;
    std::vector<std::int32_t> mix;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::vector<std::int16_t>& samples = decoded[files[i]];
        if (samples.empty()) {
            ASSERT_EQ(audio::decodeMp3(
                          device.root() / std::filesystem::path(files[i]).relative_path(), samples),
                      audio::DecodeResult::ok);
        }
        mix.resize(std::max(mix.size(), i * pace + samples.size()), 0);
        for (std::size_t s = 0; s < samples.size(); ++s)
            mix[i * pace + s] += samples[s];
    }
    std::optional<Samples> wav = readWav(wavFile);
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->size(), mix.size());
    std::size_t differing = 0;
    const double gain = audio::kHeadroom * GetParam().volume;
    for (std::size_t s = 0; s < mix.size(); ++s)
        differing += (*wav)[s] != audio::softLimit(mix[s] * gain);
    EXPECT_EQ(differing, 0u);
}

INSTANTIATE_TEST_SUITE_P(Wav, EachLevel,
                         testing::Values(Level{"FullVolume", {}, 1.0},
                                         Level{"HalfVolume", {"--volume", "50"}, 0.5},
                                         Level{"Muted", {"--volume", "80", "--mute"}, 0.0}),
                         [](const auto& info) { return info.param.name; });

// Options may come before, between or after the actions, also as --name=value, and `type
// --pace` types the text --pace.
TEST(Wav, AKeyboardAppStartedAgainGoesOnInTheSameFile) {
    SimDevice device({"--enabled", "--instrument", "Piano"}); // names in any case
    const std::string first = device.scratch("first.wav").string();
    const std::string both = device.scratch("both.wav").string();
    ASSERT_EQ(device.run({"type", "ab", "--seed=3", "--out", first}).exitCode, 0);
    ASSERT_EQ(device
                  .run({"--seed", "3", "--out", both, "type", "ab", "pane", "instrument", "violin",
                        "relaunch", "keyboard", "type", "cd", "type", "--pace"})
                  .exitCode,
              0);
    std::vector<std::string> files = values(device.events("sound", "keyboard"), "file");
    ASSERT_EQ(files.size(), 10u);
    EXPECT_NE(files[3].find("/violin/"), std::string::npos) << files[3];

    std::optional<Samples> alone = readWav(first), joined = readWav(both);
    ASSERT_TRUE(alone && joined);
    ASSERT_GT(joined->size(), alone->size());
    // The first part unchanged, then the violin after it, from its own first sample on.
    const auto end = joined->begin() + static_cast<std::ptrdiff_t>(alone->size());
    EXPECT_TRUE(std::equal(joined->begin(), end, alone->begin()));
    auto onset = std::find_if(end, joined->end(), [](int s) { return std::abs(s) > 100; });
    ASSERT_NE(onset, joined->end());
    EXPECT_LT(onset - end, kRate / 1000);
}

} // namespace
} // namespace e2e
