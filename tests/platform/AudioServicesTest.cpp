// System sounds: created from the notes, refused for bad files, played without blocking,
// disposed of without cutting a voice short.
#include "audiotoolbox/AudioServices.h"

#include "audiotoolbox/Mp3Decoder.h"
#include "audiotoolbox/SystemSounds.h"
#include "device/Events.h"
#include "device/Root.h"
#include "fixtures/Audio.h"
#include "substrate/Hookable.h"
#include "support/EventRecorder.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <mpg123.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using fixtures::kNotes;

// The note as libmpg123 gives it in its own format, without the platform's decoder.
std::vector<std::int16_t> referenceDecode(const std::filesystem::path& file) {
    static const int init = mpg123_init();
    EXPECT_EQ(init, MPG123_OK);
    std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> mh(mpg123_new(nullptr, nullptr),
                                                                &mpg123_delete);
    std::vector<std::int16_t> out;
    if (!mh ||
        mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) != MPG123_OK ||
        mpg123_open(mh.get(), file.c_str()) != MPG123_OK)
        return out;
    std::int16_t buffer[4096];
    for (;;) {
        std::size_t bytes = 0;
        int rc = mpg123_read(mh.get(), buffer, sizeof buffer, &bytes);
        out.insert(out.end(), buffer, buffer + bytes / 2);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    return out;
}

class AudioServicesCreate : public testing::Test {
protected:
    fixtures::NotesRoot root;
    fixtures::AudioSandbox sandbox;

    OSStatus createFrom(const std::string& devicePath, SystemSoundID* id) {
        auto url = NS::URL::fileURLWithPath(devicePath);
        return AudioServicesCreateSystemSoundID(url.ptr(), id);
    }
};

TEST_F(AudioServicesCreate, DecodesANoteSampleForSampleAndKeepsItsDevicePath) {
    const std::string path = kNotes + "/piano/do1.mp3";
    SystemSoundID id = 0;
    ASSERT_EQ(createFrom(path, &id), kAudioServicesNoError);
    auto sound = audio::findSystemSound(id);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->id, id);
    EXPECT_EQ(sound->file, path);
    auto expected = referenceDecode(root.host(path));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(sound->samples, expected);
    AudioServicesDisposeSystemSoundID(id);
}

TEST_F(AudioServicesCreate, MixesStereoDownAndResamplesTo44100) {
    std::filesystem::copy_file(fixtures::audioFile("tone-440hz-48k-stereo.mp3"),
                               root.host("/tone.mp3"));
    SystemSoundID id = sandbox.create("/tone.mp3");
    ASSERT_NE(id, 0u);
    const auto& x = audio::findSystemSound(id)->samples;
    // A quarter second at 44.1 kHz, the encoder's delay and padding cut.
    EXPECT_NEAR(double(x.size()), 0.25 * audio::kSampleRate, 64);
    // Still 440 Hz: a wrong rate would shift the pitch and the count of zero crossings.
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        crossings += (x[i - 1] < 0) != (x[i] < 0);
    double hz = crossings / 2.0 / (double(x.size()) / audio::kSampleRate);
    EXPECT_NEAR(hz, 440, 8);
    EXPECT_GT(*std::max_element(x.begin(), x.end()), 8000) << "the mixdown lost the tone";
}

TEST_F(AudioServicesCreate, AMissingFileIsNotFoundAndLeavesTheIdentifierUntouched) {
    const std::size_t live = audio::liveSystemSounds();
    SystemSoundID id = 777;
    EXPECT_EQ(createFrom(kNotes + "/piano/nothing.mp3", &id), kAudio_FileNotFoundError);
    EXPECT_EQ(id, 777u);
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

struct BadFile {
    const char* name;
    std::string bytes;
};

void PrintTo(const BadFile& f, std::ostream* os) {
    *os << f.name;
}

std::string randomBytes(std::size_t n) {
    std::mt19937 gen(20240611);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(gen() & 0xff);
    return bytes;
}

class AudioServicesUndecodable : public AudioServicesCreate,
                                 public testing::WithParamInterface<BadFile> {};

TEST_P(AudioServicesUndecodable, IsInvalidAndLeavesTheIdentifierUntouched) {
    root.write("/bad.mp3", GetParam().bytes);
    const std::size_t live = audio::liveSystemSounds();
    SystemSoundID id = 777;
    EXPECT_EQ(createFrom("/bad.mp3", &id), kAudioFileInvalidFileError);
    EXPECT_EQ(id, 777u);
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

INSTANTIATE_TEST_SUITE_P(BadFiles, AudioServicesUndecodable,
                         testing::Values(BadFile{"empty", ""},
                                         BadFile{"text", "this is not a sound, just text\n"},
                                         BadFile{"random", randomBytes(4096)},
                                         BadFile{"wav", std::string("RIFF\x24\0\0\0WAVEfmt ", 16)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioServicesCreate, ADirectoryNamedLikeANoteIsInvalid) {
    std::filesystem::create_directories(root.host("/folder.mp3"));
    SystemSoundID id = 777;
    EXPECT_EQ(createFrom("/folder.mp3", &id), kAudioFileInvalidFileError);
    EXPECT_EQ(id, 777u);
}

TEST_F(AudioServicesCreate, AFileLongerThanThirtySecondsIsRefused) {
    std::filesystem::copy_file(fixtures::audioFile("tone-31s.mp3"), root.host("/long.mp3"));
    SystemSoundID id = 777;
    EXPECT_EQ(createFrom("/long.mp3", &id), kAudioServicesSystemSoundUnspecifiedError);
    EXPECT_EQ(id, 777u);
}

TEST_F(AudioServicesCreate, BadArgumentsAreParamErrors) {
    SystemSoundID id = 777;
    auto note = NS::URL::fileURLWithPath(kNotes + "/piano/do1.mp3");
    auto web = NS::URL::URLWithString("https://example.com/piano/do1.mp3");
    ASSERT_TRUE(web);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(nullptr, &id), kAudio_ParamError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(note.ptr(), nullptr), kAudio_ParamError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(web.get(), &id), kAudio_ParamError);
    EXPECT_EQ(id, 777u);
}

TEST_F(AudioServicesCreate, PathsOutsideTheDeviceRootAreRefused) {
    SystemSoundID id = 777;
    EXPECT_EQ(createFrom("/../piano/do1.mp3", &id), kAudio_BadFilePathError);
    device::setRoot({});
    EXPECT_EQ(createFrom(kNotes + "/piano/do1.mp3", &id), kAudio_BadFilePathError);
    EXPECT_EQ(id, 777u);
}

TEST_F(AudioServicesCreate, IdentifiersStartAboveTheBuiltInsAndNeverRepeat) {
    std::set<SystemSoundID> ids;
    for (int i = 0; i < 60; ++i) {
        SystemSoundID id = sandbox.create(kNotes + "/drums/" + std::to_string(i % 13 + 1) + ".mp3");
        ASSERT_NE(id, 0u);
        EXPECT_GE(id, audio::kFirstCreatedSoundID);
        EXPECT_TRUE(ids.insert(id).second) << id << " given twice";
    }
    EXPECT_FALSE(ids.contains(1104));
    EXPECT_FALSE(ids.contains(1105));
}

TEST_F(AudioServicesCreate, DisposingFreesTheSoundOnce) {
    const std::size_t live = audio::liveSystemSounds();
    SystemSoundID id = 0;
    ASSERT_EQ(createFrom(kNotes + "/violin/la.mp3", &id), kAudioServicesNoError);
    EXPECT_EQ(audio::liveSystemSounds(), live + 1);
    std::weak_ptr<const audio::Sound> sound = audio::findSystemSound(id);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_EQ(audio::liveSystemSounds(), live);
    EXPECT_TRUE(sound.expired()) << "nothing plays it, so its samples should be gone";
    EXPECT_FALSE(audio::findSystemSound(id));
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesBadSpecifierError);
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

TEST_F(AudioServicesCreate, BuiltInAndUnknownIdentifiersCannotBeDisposed) {
    const std::size_t live = audio::liveSystemSounds();
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(1104), kAudioServicesBadSpecifierError);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(0), kAudioServicesBadSpecifierError);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(audio::kFirstCreatedSoundID - 1),
              kAudioServicesBadSpecifierError);
    EXPECT_TRUE(audio::findSystemSound(1104));
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

class AudioServicesPlay : public AudioServicesCreate {};

TEST_F(AudioServicesPlay, ACreatedSoundReachesTheOutputWithItsFileAndTime) {
    SystemSoundID id = sandbox.create(kNotes + "/guitar/mi.mp3");
    ASSERT_NE(id, 0u);
    sandbox.clock->set(1500ms);
    AudioServicesPlaySystemSound(id);
    sandbox.clock->advance(250ms);
    AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    auto played = sandbox.recording->played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].id, id);
    EXPECT_EQ(played[0].file, kNotes + "/guitar/mi.mp3");
    EXPECT_EQ(played[0].at, 1500ms);
    EXPECT_EQ(played[1].at, 1750ms);
    EXPECT_EQ(played[0].sound, audio::findSystemSound(id));
}

TEST_F(AudioServicesPlay, KeyClicksTickAndOtherBuiltInsAndUnknownsPlayNothing) {
    for (SystemSoundID id : {1104u, 1000u, 1105u, 1306u, 0u, 4095u, 999999u})
        AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    auto played = sandbox.recording->played();
    ASSERT_EQ(sandbox.recording->ids(), (std::vector<SystemSoundID>{1104, 1105}));
    for (const auto& p : played) {
        EXPECT_FALSE(p.file);
        EXPECT_FALSE(p.sound->samples.empty());
        EXPECT_LE(p.sound->samples.size(), audio::kSampleRate / 100) << "a tick, not a tone";
    }
}

TEST_F(AudioServicesPlay, ReportsASoundEventForEachSoundThatReachesTheOutput) {
    support::EventRecorder events;
    SystemSoundID id = sandbox.create(kNotes + "/bass/sol.mp3");
    ASSERT_NE(id, 0u);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(1104);
    AudioServicesPlaySystemSound(31337);
    audio::waitForPendingPlays();
    auto sounds = events.events("sound");
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(device::jsonField(sounds[0], "id"), std::to_string(id));
    EXPECT_EQ(device::jsonField(sounds[0], "file"), kNotes + "/bass/sol.mp3");
    EXPECT_EQ(device::jsonField(sounds[1], "id"), "1104");
    EXPECT_EQ(device::jsonField(sounds[1], "file"), "null");
}

TEST_F(AudioServicesPlay, ADisposedSoundNoLongerPlays) {
    SystemSoundID id = sandbox.create(kNotes + "/piano/re.mp3");
    ASSERT_NE(id, 0u);
    AudioServicesDisposeSystemSoundID(id);
    AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    EXPECT_EQ(sandbox.recording->count(), 0u);
}

TEST_F(AudioServicesPlay, ReturnsWhileTheOutputIsHeld) {
    SystemSoundID id = sandbox.create(kNotes + "/piano/fa.mp3");
    ASSERT_NE(id, 0u);
    auto gated = std::make_shared<fixtures::GatedOutput>();
    audio::setOutput(gated);
    AudioServicesPlaySystemSound(id);
    gated->waitUntilEntered(1);
    // The audio thread is stuck inside the output; these calls must still come back.
    AudioServicesPlaySystemSound(1104);
    AudioServicesPlaySystemSound(id);
    EXPECT_EQ(gated->ids(), std::vector<SystemSoundID>{id});
    gated->open();
    audio::waitForPendingPlays();
    EXPECT_EQ(gated->ids(), (std::vector<SystemSoundID>{id, 1104, id}));
}

TEST_F(AudioServicesPlay, AStalledOutputDropsTheOldestWaitingPlaysNotMemory) {
    auto gated = std::make_shared<fixtures::GatedOutput>();
    audio::setOutput(gated);
    const auto dropped = audio::droppedPlays();
    AudioServicesPlaySystemSound(1105);
    gated->waitUntilEntered(1);
    for (std::size_t i = 0; i < audio::kMaxPendingPlays + 10; ++i)
        AudioServicesPlaySystemSound(i < 10 ? 1105 : 1104);
    EXPECT_EQ(audio::droppedPlays(), dropped + 10);
    gated->open();
    audio::waitForPendingPlays();
    auto ids = gated->ids();
    ASSERT_EQ(ids.size(), 1 + audio::kMaxPendingPlays);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 1105), 1)
        << "the ten oldest waiting plays go first";
}

TEST_F(AudioServicesPlay, APlayGoesToTheOutputThatWasCurrentWhenItWasAskedFor) {
    auto gated = std::make_shared<fixtures::GatedOutput>();
    audio::setOutput(gated);
    AudioServicesPlaySystemSound(1104);
    gated->waitUntilEntered(1);
    AudioServicesPlaySystemSound(1105);
    audio::setOutput(sandbox.recording);
    AudioServicesPlaySystemSound(1104);
    gated->open();
    audio::waitForPendingPlays();
    EXPECT_EQ(gated->ids(), (std::vector<SystemSoundID>{1104, 1105}));
    EXPECT_EQ(sandbox.recording->ids(), std::vector<SystemSoundID>{1104});
}

TEST_F(AudioServicesPlay, AVoiceKeepsPlayingASoundDisposedUnderIt) {
    SystemSoundID id = sandbox.create(kNotes + "/drums/3.mp3");
    ASSERT_NE(id, 0u);
    const auto expected = audio::findSystemSound(id)->samples;
    AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    ASSERT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    auto played = sandbox.recording->played();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].sound->samples, expected);
}

// The hooking facility finds the public entry's slot, and what the slot holds is what plays.
void recordingPlayer(SystemSoundID id);
std::vector<SystemSoundID> g_hooked;
void recordingPlayer(SystemSoundID id) {
    g_hooked.push_back(id);
}

TEST_F(AudioServicesPlay, ThePublicEntryJumpsThroughItsHookableSlot) {
    std::atomic<void*>* slot =
        substrate::hookableSlot(reinterpret_cast<const void*>(&AudioServicesPlaySystemSound));
    ASSERT_NE(slot, nullptr);
    void* original = slot->exchange(reinterpret_cast<void*>(&recordingPlayer));
    g_hooked.clear();
    void (*viaPointer)(SystemSoundID) = &AudioServicesPlaySystemSound;
    viaPointer(1104);
    AudioServicesPlaySystemSound(1105);
    slot->store(original);
    reinterpret_cast<void (*)(SystemSoundID)>(original)(1104);
    audio::waitForPendingPlays();
    EXPECT_EQ(g_hooked, (std::vector<SystemSoundID>{1104, 1105}));
    EXPECT_EQ(sandbox.recording->ids(), std::vector<SystemSoundID>{1104})
        << "the saved entry plays";
}

} // namespace
