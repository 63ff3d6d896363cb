// `make demo`: the showcase runs to the end on a machine without sound and leaves its WAV.
#include "SimDevice.h"
#include "Wav.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

TEST(Demo, PlaysTwoInstrumentsThenFollowsFromOneAccount) {
    TemporaryRoot folder;
    SimResult r = runSim({"demo", "--out", "none"}, folder.root());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\u266A piano/"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\u266A violin/"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[tap 1: I'd love to!]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("signed as @alice, answers 200"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Awesome. Thanks for following me ^-^"), std::string::npos) << r.out;

    std::optional<Wav> wav = readWav(folder.root() / "demo.wav");
    ASSERT_TRUE(wav);
    // 38 keys at 180 ms, in two phrases, each note ringing out.
    EXPECT_GT(wav->samples.size(), static_cast<std::size_t>(38 * kRate * 18 / 100));
    EXPECT_GT(peak(wav->samples, 0, wav->samples.size()), 1000);
}

} // namespace
} // namespace e2e
