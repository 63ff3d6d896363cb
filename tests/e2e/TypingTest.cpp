// Typing in the keyboard app of a simulated device, on each instrument and under each kind of
// settings file.
#include "SimDevice.h"

#include <gtest/gtest.h>
#include <set>

namespace e2e {
namespace {

const std::string kSettingsPath = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

// Each key press of the log, with what reached the system's player and the sound that played.
struct KeyPress {
    std::string key;
    std::vector<std::string> playerIds; // identifiers handed on to the system's player
    std::vector<Event> sounds;
};

std::vector<KeyPress> keyPresses(const std::vector<Event>& events) {
    std::vector<KeyPress> presses;
    for (const Event& e : events) {
        if (e.process() != "keyboard")
            continue;
        if (e.name() == "key")
            presses.push_back({e.str("text"), {}, {}});
        else if (e.name() == "system_sound" && !presses.empty())
            presses.back().playerIds.push_back(e.str("id"));
        else if (e.name() == "sound" && !presses.empty())
            presses.back().sounds.push_back(e);
    }
    return presses;
}

class EachInstrument : public testing::TestWithParam<std::string> {};

// 500 keys at 50 ms, ten notes ringing at once: every click a note, and the mix never clips.
TEST_P(EachInstrument, EveryClickBecomesANoteAndFastTypingNeverClips) {
    const std::string& instrument = GetParam();
    SimDevice device({"--enabled", "--instrument", instrument});
    std::string text;
    while (text.size() < 500)
        text += "the quick brown fox ";
    const std::string wav = device.scratch("fast.wav").string();
    SimResult r = device.run({"--seed", "7", "--pace", "50", "--out", wav, "type", text});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<KeyPress> presses = keyPresses(device.events());
    ASSERT_EQ(presses.size(), text.size());
    std::set<std::string> played;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        const KeyPress& p = presses[i];
        ASSERT_EQ(p.key, text.substr(i, 1));
        ASSERT_EQ(instruments(p.sounds), Strings{instrument}) << "key " << i;
        // The click never reaches the player: only the note does, by its own identifier.
        ASSERT_EQ(p.playerIds, std::vector<std::string>{p.sounds[0].str("id")});
        played.insert(p.sounds[0].str("file"));
    }
    EXPECT_GE(played.size(), 4u) << "notes are drawn at random";
    EXPECT_NE(r.out.find("500/500 keys typed"), std::string::npos) << r.out;

    std::optional<Samples> sound = readWav(wav);
    ASSERT_TRUE(sound);
    const int loudest = peak(*sound);
    EXPECT_LT(loudest, 32767) << "a sample at full scale";
    EXPECT_GT(loudest, 3000) << "the notes are heard";
}

INSTANTIATE_TEST_SUITE_P(Keyboard, EachInstrument,
                         testing::Values("bass", "drums", "guitar", "piano", "violin"),
                         [](const auto& info) { return info.param; });

// A settings file, and what each click then does.
struct Setting {
    std::string name;
    std::vector<std::string> init;
    std::string file; // written over the settings file when not empty
    enum { PassesTheClick, PlaysPiano, Silences } click;
};

void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.name;
}

const std::string kMalformed = "<?xml version=\"1.0\"?><plist><dict><key>enabled</key><true/>";
const std::string kArray = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<array><true/><integer>5</integer></array></plist>\n";
const std::vector<std::string> kViolin = {"--enabled", "--instrument", "violin"};

const Setting kSettings[] = {
    // clang-format off
    {"Disabled", {"--disabled", "--instrument", "piano"}, "", Setting::PassesTheClick},
    {"NoSettingsFile", {"--no-settings"}, "", Setting::PassesTheClick},
    {"MalformedFile", kViolin, kMalformed, Setting::PassesTheClick},
    {"RootNotADictionary", kViolin, kArray, Setting::PassesTheClick},
    {"InstrumentZeroIsPiano", {"--enabled", "--instrument", "0"}, "", Setting::PlaysPiano},
    {"InstrumentSevenSilences", {"--enabled", "--instrument", "7"}, "", Setting::Silences},
    {"InstrumentMinusOneSilences", {"--enabled", "--instrument", "-1"}, "", Setting::Silences},
    // clang-format on
};

class EachSetting : public testing::TestWithParam<Setting> {};

TEST_P(EachSetting, DecidesWhatEveryClickDoes) {
    const Setting& s = GetParam();
    SimDevice device(s.init);
    if (!s.file.empty())
        device.write(kSettingsPath, s.file);
    const std::string wav = device.scratch("clicks.wav").string();
    SimResult r = device.run({"--out", wav, "type", "abc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<KeyPress> presses = keyPresses(device.events());
    ASSERT_EQ(presses.size(), 3u);
    for (const KeyPress& p : presses) {
        if (s.click == Setting::Silences) {
            EXPECT_EQ(p.playerIds, std::vector<std::string>{"0"}) << "the saved function gets 0";
            EXPECT_TRUE(p.sounds.empty());
            continue;
        }
        ASSERT_EQ(p.sounds.size(), 1u);
        if (s.click == Setting::PlaysPiano) {
            EXPECT_EQ(instruments(p.sounds), Strings{"piano"});
        } else {
            EXPECT_EQ(p.playerIds, std::vector<std::string>{"1104"});
            EXPECT_EQ(p.sounds[0].str("id"), "1104");
            EXPECT_EQ(p.sounds[0].str("file"), "null");
        }
    }
    std::optional<Samples> sound = readWav(wav);
    ASSERT_TRUE(sound);
    EXPECT_EQ(peak(*sound) == 0, s.click == Setting::Silences);
    if (s.click == Setting::Silences) {
        EXPECT_NE(r.out.find("silenced"), std::string::npos) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, EachSetting, testing::ValuesIn(kSettings),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace e2e
