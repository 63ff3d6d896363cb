// System sounds from many threads at once: creation, plays and disposal race each other, as
// key clicks from any thread do. Also runs under ThreadSanitizer.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/SystemSounds.h"
#include "audiotoolbox/WavOutput.h"
#include "fixtures/Audio.h"
#include "fixtures/Threads.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;

std::string note(int i) {
    static const char* names[] = {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"};
    return fixtures::kNotes + "/piano/" + names[i % 8] + ".mp3";
}

using AudioConcurrency = fixtures::AudioTest;

TEST_F(AudioConcurrency, EightThreadsCreatingAtOnceGetDistinctIdentifiers) {
    constexpr int kEach = 12;
    const std::size_t live = audio::liveSystemSounds();
    std::vector<std::vector<SystemSoundID>> made(kThreads);
    fixtures::onThreads(kThreads, [&](int t) {
        for (int i = 0; i < kEach; ++i) {
            SystemSoundID id = 0;
            auto url = NS::URL::fileURLWithPath(note(t + i));
            if (AudioServicesCreateSystemSoundID(url.ptr(), &id) == kAudioServicesNoError)
                made[t].push_back(id);
        }
    });
    std::set<SystemSoundID> ids;
    for (const auto& list : made) {
        EXPECT_EQ(list.size(), std::size_t(kEach));
        ids.insert(list.begin(), list.end());
    }
    EXPECT_EQ(ids.size(), std::size_t(kThreads * kEach)) << "an identifier was given twice";
    EXPECT_GE(*ids.begin(), audio::kFirstCreatedSoundID) << "never 1104 or 1105";
    EXPECT_EQ(audio::liveSystemSounds(), live + ids.size());
    for (SystemSoundID id : ids)
        EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_EQ(audio::liveSystemSounds(), live);
}

TEST_F(AudioConcurrency, EveryPlayFromEightThreadsIsHeardOrCountedAsDropped) {
    constexpr int kEach = 400;
    std::vector<SystemSoundID> sounds(kThreads);
    for (int i = 0; i < kThreads; ++i)
        sounds[i] = create(note(i));
    ASSERT_EQ(std::count(sounds.begin(), sounds.end(), 0u), 0);
    const auto dropped = audio::droppedPlays();
    fixtures::onThreads(kThreads, [&](int t) {
        for (int i = 0; i < kEach; ++i) {
            AudioServicesPlaySystemSound(sounds[t]);
            clock->advance(std::chrono::microseconds(1));
        }
    });
    audio::waitForPendingPlays();
    auto played = recording->played();
    EXPECT_EQ(played.size() + (audio::droppedPlays() - dropped), std::size_t(kThreads * kEach));
    for (std::size_t i = 1; i < played.size(); ++i)
        ASSERT_LE(played[i - 1].at, played[i].at) << "plays reached the output out of time order";
    for (const auto& p : played)
        ASSERT_EQ(p.sound->id, p.id);
}

TEST_F(AudioConcurrency, DisposingWhileOthersPlayNeverCutsAVoiceShort) {
    constexpr int kRounds = 150;
    auto wav = std::make_shared<audio::WavOutput>(root.path("/race.wav"));
    audio::setOutput(wav);
    const std::size_t live = audio::liveSystemSounds();
    std::atomic<SystemSoundID> current{0};
    std::atomic<bool> done{false};
    // Thread 0 creates and disposes of sounds while the others play them.
    fixtures::onThreads(kThreads, [&](int t) {
        while (t > 0 && !done.load()) {
            AudioServicesPlaySystemSound(current.load());
            AudioServicesPlaySystemSound(1104);
        }
        for (int i = 0; t == 0 && i < kRounds; ++i) {
            SystemSoundID id = 0;
            auto url = NS::URL::fileURLWithPath(note(i));
            EXPECT_EQ(AudioServicesCreateSystemSoundID(url.ptr(), &id), kAudioServicesNoError);
            current.store(id);
            std::this_thread::yield();
            EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
        }
        done.store(true);
    });
    audio::waitForPendingPlays();
    EXPECT_EQ(audio::liveSystemSounds(), live);
    // Every voice on the timeline still holds the whole sound it started with.
    const audio::Timeline timeline = wav->timeline();
    EXPECT_GT(timeline.voices().size(), 0u);
    for (const auto& voice : timeline.voices()) {
        ASSERT_TRUE(voice.sound);
        ASSERT_FALSE(voice.sound->samples.empty());
    }
}

} // namespace
