// `make demo`: the showcase runs to the end on a machine without sound, from any folder, and
// leaves its WAV beside its device.
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

TEST(Demo, PlaysTwoInstrumentsThenFollowsFromOneAccount) {
    TemporaryRoot folder, elsewhere;
    const std::filesystem::path root = folder.root() / "device";
    SimResult r = runSim({"demo", "--out", "none", "--root", root.string()}, elsewhere.root());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const char* seen : {"\u266A piano/", "\u266A violin/", "[tap 1: I'd love to!]",
                             "signed as @alice, answers 200", "Awesome. Thanks for following me"})
        EXPECT_NE(r.out.find(seen), std::string::npos) << seen << "\n" << r.out;
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.root())) << "the working folder is left alone";

    const std::filesystem::path wavFile = folder.root() / "demo.wav";
    EXPECT_NE(r.out.find("Listen again: aplay " + wavFile.string()), std::string::npos) << r.out;
    std::optional<Samples> wav = readWav(wavFile);
    ASSERT_TRUE(wav);
    // 38 keys at 180 ms, in two phrases, each note ringing out.
    EXPECT_GT(wav->size(), static_cast<std::size_t>(38 * kRate * 18 / 100));
    EXPECT_GT(peak(*wav), 1000);

    // It starts from a fresh device each time (and refuses a folder that holds anything else:
    // with init's cases), and names the WAV this run wrote, not the one an earlier demo left.
    const std::string again = (folder.root() / "again.wav").string();
    SimResult second = runSim({"demo", "--out", again, "--root", root.string()});
    EXPECT_NE(second.out.find("Listen again: aplay " + again + " "), std::string::npos)
        << second.out;
}

} // namespace
} // namespace e2e
