// Typing in the keyboard app of a simulated device, on each instrument and under each kind of
// settings file: what every click then plays.
#include "SimDevice.h"

#include <gtest/gtest.h>
#include <numeric>
#include <set>

namespace e2e {
namespace {

const std::string kSettingsPath = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

// A settings file, and what every click then plays: a note of one instrument, the click itself,
// or nothing.
struct Setting {
    std::string name;
    std::vector<std::string> init;
    std::string file;  // written over the settings file when not empty
    std::string plays; // the instrument, kClick, or empty for silence
    friend void PrintTo(const Setting& row, std::ostream* os) { *os << row.name; }
};

const std::string kClick = "null"; // a sound with no file: the click itself
const std::string kMalformed = "<?xml version=\"1.0\"?><plist><dict><key>enabled</key><true/>";
const std::string kArray = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<array><true/><integer>5</integer></array></plist>\n";
const std::vector<std::string> kViolin = {"--enabled", "--instrument", "violin"};

std::vector<Setting> settings() {
    std::vector<Setting> all = {
        // clang-format off
        {"Disabled", {"--disabled", "--instrument", "piano"}, "", kClick},
        {"NoSettingsFile", {"--no-settings"}, "", kClick},
        {"MalformedFile", kViolin, kMalformed, kClick},
        {"RootNotADictionary", kViolin, kArray, kClick},
        {"InstrumentZeroIsPiano", {"--enabled", "--instrument", "0"}, "", "piano"},
        {"InstrumentSevenSilences", {"--enabled", "--instrument", "7"}, "", ""},
        {"InstrumentMinusOneSilences", {"--enabled", "--instrument", "-1"}, "", ""},
        // clang-format on
    };
    for (const char* instrument : {"bass", "drums", "guitar", "piano", "violin"})
        all.push_back({instrument, {"--enabled", "--instrument", instrument}, "", instrument});
    return all;
}

class EachSetting : public testing::TestWithParam<Setting> {};

// 500 keys at 50 ms, ten notes ringing at once, then one more: every click plays what the
// setting says, the mix never clips, and the summary shows each key of a short text.
TEST_P(EachSetting, DecidesWhatEveryClickPlaysAndFastTypingNeverClips) {
    const Setting& s = GetParam();
    SimDevice device(s.init);
    if (!s.file.empty())
        device.write(kSettingsPath, s.file);
    std::string text;
    while (text.size() < 500)
        text += "the quick brown fox ";
    const std::string wav = device.scratch("fast.wav").string();
    SimResult r =
        device.run({"--seed", "7", "--pace", "50", "--out", wav, "type", text, "type", "!"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("500/500 keys typed"), std::string::npos) << r.out;
    const std::string shown = s.plays.empty()     ? "(silenced: the click became sound 0)"
                              : s.plays == kClick ? "click (sound 1104)"
                                                  : "\u266A " + s.plays + "/";
    EXPECT_NE(r.out.find("key !     " + shown), std::string::npos) << r.out;

    text += "!";
    const Strings keys = values(device.events("key", "keyboard"), "text");
    ASSERT_EQ(keys.size(), text.size());
    EXPECT_EQ(std::accumulate(keys.begin(), keys.end(), std::string()), text);
    const Strings handedOn = values(device.events("system_sound", "keyboard"), "id");
    const std::vector<Event> sounds = device.events("sound", "keyboard");
    if (s.plays.empty()) {
        EXPECT_EQ(handedOn, Strings(keys.size(), "0")) << "the saved function gets 0";
        EXPECT_TRUE(sounds.empty());
    } else {
        // Only what plays reaches the player, by its own identifier: a note never as the click.
        EXPECT_EQ(handedOn, values(sounds, "id"));
        EXPECT_EQ(instruments(sounds), Strings(keys.size(), s.plays));
        if (s.plays == kClick) {
            EXPECT_EQ(handedOn, Strings(keys.size(), "1104"));
        } else {
            const Strings files = values(sounds, "file");
            EXPECT_GE(std::set<std::string>(files.begin(), files.end()).size(), 4u)
                << "notes are drawn at random";
        }
    }

    std::optional<Samples> sound = readWav(wav);
    ASSERT_TRUE(sound);
    const int loudest = peak(*sound);
    if (s.plays.empty()) {
        EXPECT_EQ(loudest, 0);
    } else {
        EXPECT_LT(loudest, 32767) << "a sample at full scale";
        EXPECT_GT(loudest, 3000) << "the clicks are heard";
    }
}

INSTANTIATE_TEST_SUITE_P(Keyboard, EachSetting, testing::ValuesIn(settings()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace e2e
