// System sounds: created from the notes, refused for bad files, played without blocking,
// disposed of without cutting a voice short.
#include "audiotoolbox/AudioServices.h"

#include "audiotoolbox/SystemSounds.h"
#include "device/Root.h"
#include "fixtures/Audio.h"

#include <algorithm>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <semaphore>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using fixtures::kNotes;

using AudioServicesCreate = fixtures::AudioTest;

TEST_F(AudioServicesCreate, MixesStereoDownAndResamplesTo44100) {
    std::filesystem::copy_file(fixtures::audioFile("tone-440hz-48k-stereo.mp3"),
                               root.path("/tone.mp3"));
    SystemSoundID id = create("/tone.mp3");
    ASSERT_NE(id, 0u);
    const auto& x = audio::findSystemSound(id)->samples;
    // A quarter second at 44.1 kHz, the encoder's delay and padding cut.
    EXPECT_NEAR(double(x.size()), 0.25 * audio::kSampleRate, 64);
    // Still 440 Hz: a wrong rate would shift the pitch and the count of zero crossings.
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        crossings += (x[i - 1] < 0) != (x[i] < 0);
    EXPECT_NEAR(crossings / 2.0 / (double(x.size()) / audio::kSampleRate), 440, 8);
    EXPECT_GT(*std::max_element(x.begin(), x.end()), 8000) << "the mixdown lost the tone";
}

// Bad files, bad arguments and no device root.
TEST_F(AudioServicesCreate, ARefusalLeavesTheIdentifierUntouchedAndCreatesNothing) {
    root.write("/random.mp3", std::string(4096, '\x5a')); // no frame sync anywhere
    std::filesystem::copy_file(fixtures::audioFile("tone-31s.mp3"), root.path("/long.mp3"));
    const struct {
        const char* path;
        OSStatus status;
    } cases[] = {
        {"/Library/nothing.mp3", kAudio_FileNotFoundError},
        {"/random.mp3", kAudioFileInvalidFileError},
        {"/long.mp3", kAudioServicesSystemSoundUnspecifiedError},
        {"/../piano/do1.mp3", kAudio_BadFilePathError},
    };
    const std::size_t live = audio::liveSystemSounds();
    for (const auto& c : cases) {
        SystemSoundID id = 777;
        EXPECT_EQ(createFrom(c.path, &id), c.status) << c.path;
        EXPECT_EQ(id, 777u) << c.path;
    }
    SystemSoundID id = 777;
    auto note = NS::URL::fileURLWithPath(kNotes + "/piano/do1.mp3");
    EXPECT_EQ(AudioServicesCreateSystemSoundID(nullptr, &id), kAudio_ParamError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(note.ptr(), nullptr), kAudio_ParamError);
    device::setRoot({});
    EXPECT_EQ(AudioServicesCreateSystemSoundID(note.ptr(), &id), kAudio_BadFilePathError);
    EXPECT_EQ(id, 777u);
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

// Fresh and distinct identifiers are checked where eight threads create at once.
TEST_F(AudioServicesCreate, DisposalFreesOnceAndSilencesTheSound) {
    const std::size_t live = audio::liveSystemSounds();
    SystemSoundID id = 0;
    ASSERT_EQ(createFrom(kNotes + "/drums/1.mp3", &id), kAudioServicesNoError);
    EXPECT_EQ(audio::liveSystemSounds(), live + 1);
    std::weak_ptr<const audio::Sound> sound = audio::findSystemSound(id);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_EQ(audio::liveSystemSounds(), live);
    EXPECT_TRUE(sound.expired()) << "nothing plays it, so its samples should be gone";
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesBadSpecifierError);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(1104), kAudioServicesBadSpecifierError);
    AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    EXPECT_EQ(recording->count(), 0u) << "a disposed sound no longer plays";
}

using AudioServicesPlay = fixtures::AudioTest;

// An output whose play() stops inside until opened, after telling that it got there.
class GatedOutput final : public audio::Output {
public:
    void play(const audio::Play& play) override {
        ids.push_back(play.sound->id); // read once the audio thread has settled
        entered.release();
        m_open.wait();
    }
    std::string kind() const override { return "gated"; }
    void open() { m_opener.set_value(); }

    std::counting_semaphore<1 << 16> entered{0};
    std::vector<SystemSoundID> ids;

private:
    std::promise<void> m_opener;
    std::shared_future<void> m_open = m_opener.get_future().share();
};

TEST_F(AudioServicesPlay, KeyClicksTickAndOtherBuiltInsPlayNothing) {
    for (SystemSoundID id : {1104u, 1000u, 1105u, 0u, 4095u})
        AudioServicesPlaySystemSound(id);
    audio::waitForPendingPlays();
    ASSERT_EQ(recording->ids(), (std::vector<SystemSoundID>{1104, 1105}));
    for (const auto& p : recording->played()) {
        EXPECT_FALSE(p.sound->samples.empty());
        EXPECT_LE(p.sound->samples.size(), audio::kSampleRate / 100) << "a tick, not a tone";
    }
}

// The calls also come back while the audio thread is stuck in the output.
TEST_F(AudioServicesPlay, AStalledOutputDropsTheOldestWaitingPlaysNotMemory) {
    auto gated = std::make_shared<GatedOutput>();
    audio::setOutput(gated);
    const auto dropped = audio::droppedPlays();
    AudioServicesPlaySystemSound(1105);
    gated->entered.acquire();
    for (std::size_t i = 0; i < audio::kMaxPendingPlays + 10; ++i)
        AudioServicesPlaySystemSound(i < 10 ? 1105 : 1104);
    EXPECT_EQ(audio::droppedPlays(), dropped + 10);
    gated->open();
    audio::waitForPendingPlays();
    const auto& ids = gated->ids;
    ASSERT_EQ(ids.size(), 1 + audio::kMaxPendingPlays);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 1105), 1)
        << "the ten oldest waiting plays go first";
}

} // namespace
