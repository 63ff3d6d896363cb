// Typing in the keyboard app of a simulated device, under each kind of settings file.
#include "SimDevice.h"
#include "Wav.h"

#include <gtest/gtest.h>
#include <set>

namespace e2e {
namespace {

const std::string kPhrase = "the quick brown fox"; // 19 key presses

struct Instrument {
    std::string name;
    std::vector<std::string> notes;
};

std::vector<Instrument> instruments() {
    std::vector<std::string> octave = {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"};
    std::vector<std::string> hits;
    for (int i = 1; i <= 13; ++i)
        hits.push_back(std::to_string(i));
    return {{"bass", octave},
            {"drums", hits},
            {"guitar", octave},
            {"piano", octave},
            {"violin", octave}};
}

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

// The settings reach the keyboard app as they would on the device: each click plays nothing
// but the 1104 click itself, unchanged.
void expectClicksPassUnchanged(SimDevice& device) {
    SimResult r = device.run({"type", "abc"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<KeyPress> presses = keyPresses(device.events());
    ASSERT_EQ(presses.size(), 3u);
    for (const KeyPress& p : presses) {
        EXPECT_EQ(p.playerIds, std::vector<std::string>{"1104"});
        ASSERT_EQ(p.sounds.size(), 1u);
        EXPECT_EQ(p.sounds[0].str("id"), "1104");
        EXPECT_EQ(p.sounds[0].str("file"), "null");
    }
}

class EachInstrument : public testing::TestWithParam<Instrument> {};

TEST_P(EachInstrument, EveryClickBecomesANoteOfTheChosenInstrument) {
    const Instrument& instrument = GetParam();
    SimDevice device({"--enabled", "--instrument", instrument.name});
    SimResult r = device.run({"--seed", "7", "type", kPhrase});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<KeyPress> presses = keyPresses(device.events());
    ASSERT_EQ(presses.size(), kPhrase.size());
    std::set<std::string> played;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        const KeyPress& p = presses[i];
        EXPECT_EQ(p.key, kPhrase.substr(i, 1));
        ASSERT_EQ(p.sounds.size(), 1u) << "key " << i;
        std::string file = p.sounds[0].str("file");
        bool known = false;
        for (const std::string& note : instrument.notes)
            known = known || file == notePath(instrument.name, note);
        EXPECT_TRUE(known) << file;
        played.insert(file);
        // The click never reaches the player: only the note does, by its own identifier.
        EXPECT_EQ(p.playerIds, std::vector<std::string>{p.sounds[0].str("id")});
    }
    EXPECT_GE(played.size(), 4u) << "notes are drawn at random";
    // The summary names each key's note.
    EXPECT_NE(r.out.find("\u266A " + instrument.name + "/"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Keyboard, EachInstrument, testing::ValuesIn(instruments()),
                         [](const auto& info) { return info.param.name; });

TEST(Settings, TheSameSeedDrawsTheSameNotes) {
    SimDevice device({"--enabled", "--instrument", "guitar"});
    auto files = [&] {
        std::vector<std::string> out;
        EXPECT_EQ(device.run({"--seed", "42", "type", "seeded"}).exitCode, 0);
        for (const Event& e : device.events("sound"))
            out.push_back(e.str("file"));
        return out;
    };
    std::vector<std::string> first = files();
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(files(), first);
}

TEST(Settings, DisabledLetsTheClickThrough) {
    SimDevice device({"--disabled", "--instrument", "piano"});
    expectClicksPassUnchanged(device);
}

TEST(Settings, DisabledClicksAreHeardAsTicksAtEachKey) {
    SimDevice device({"--disabled"});
    std::string wav = device.scratch("ticks.wav").string();
    ASSERT_EQ(device.run({"--out", wav, "--pace", "200", "type", "abc"}).exitCode, 0);
    std::optional<Wav> sound = readWav(wav);
    ASSERT_TRUE(sound);
    const std::size_t pace = kRate / 5;
    for (std::size_t key = 0; key < 3; ++key) {
        std::optional<std::size_t> start =
            firstSound(sound->samples, key * pace, (key + 1) * pace, 200);
        ASSERT_TRUE(start) << "no click for key " << key;
        EXPECT_LT(*start - key * pace, 44u) << "the click starts late";
    }
}

TEST(Settings, NoSettingsFileMeansDisabled) {
    SimDevice device({"--no-settings"});
    expectClicksPassUnchanged(device);
}

TEST(Settings, InstrumentZeroMeansPiano) {
    SimDevice device({"--enabled", "--instrument", "0"});
    ASSERT_EQ(device.run({"type", "zero"}).exitCode, 0);
    std::vector<Event> sounds = device.events("sound");
    ASSERT_EQ(sounds.size(), 4u);
    for (const Event& e : sounds)
        EXPECT_EQ(e.str("file").rfind("/Library/Application Support/Tapsonata/piano/", 0), 0u)
            << e.line;
}

class UnknownInstrument : public testing::TestWithParam<std::string> {};

TEST_P(UnknownInstrument, SilencesEveryClick) {
    SimDevice device({"--enabled", "--instrument", GetParam()});
    std::string wav = device.scratch("silence.wav").string();
    SimResult r = device.run({"--out", wav, "type", "hush"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<KeyPress> presses = keyPresses(device.events());
    ASSERT_EQ(presses.size(), 4u);
    for (const KeyPress& p : presses) {
        EXPECT_EQ(p.playerIds, std::vector<std::string>{"0"}) << "the saved function gets 0";
        EXPECT_TRUE(p.sounds.empty());
    }
    std::optional<Wav> sound = readWav(wav);
    ASSERT_TRUE(sound);
    EXPECT_EQ(peak(sound->samples, 0, sound->samples.size()), 0);
    EXPECT_NE(r.out.find("silenced"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Settings, UnknownInstrument, testing::Values("7", "-1"),
                         [](const auto& info) {
                             return info.param == "7" ? std::string("Seven")
                                                      : std::string("MinusOne");
                         });

TEST(Settings, AMalformedFileMeansTheDefaults) {
    SimDevice device({"--enabled", "--instrument", "violin"});
    device.write("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist",
                 "<?xml version=\"1.0\"?><plist><dict><key>enabled</key><true/>");
    expectClicksPassUnchanged(device);
}

TEST(Settings, AFileWhoseRootIsNotADictionaryMeansTheDefaults) {
    SimDevice device({"--enabled", "--instrument", "violin"});
    device.write("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<plist version=\"1.0\"><array><true/><integer>5</integer></array></plist>\n");
    expectClicksPassUnchanged(device);
}

TEST(Settings, OtherSoundsPassUnchanged) {
    SimDevice device({"--enabled", "--instrument", "piano"});
    ASSERT_EQ(device.run({"sound", "1103", "sound", "1106", "sound", "1105"}).exitCode, 0);
    std::vector<std::string> ids;
    for (const Event& e : device.events("system_sound"))
        ids.push_back(e.str("id"));
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], "1103");
    EXPECT_EQ(ids[1], "1106");
    // 1105 is the other keyboard click: replaced by a note.
    EXPECT_NE(ids[2], "1105");
    EXPECT_EQ(device.events("sound").size(), 1u) << "only the note has a sound of its own";
}

} // namespace
} // namespace e2e
