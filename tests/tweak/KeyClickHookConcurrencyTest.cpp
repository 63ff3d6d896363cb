#include "KeyClickFixture.h"
#include "audiotoolbox/Output.h"
#include "device/Random.h"

#include <set>
#include <thread>

namespace {

using HookConcurrency = KeyClickFixture;

TEST_F(HookConcurrency, ClicksFromEightThreadsEachPlayANoteAndShareOneSoundPerNote) {
    enable(2);
    device::setRandomSource(device::seededRandomSource(7));
    std::size_t before = audio::liveSystemSounds();
    constexpr int kThreads = 8, kClicks = 400;
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kClicks; ++i)
                AudioServicesPlaySystemSound(1104 + (i & 1));
        });
    for (auto& t : threads)
        t.join();
    std::vector<SystemSoundID> notes = passedOn();
    ASSERT_EQ(notes.size(), static_cast<std::size_t>(kThreads * kClicks));
    std::set<SystemSoundID> distinct(notes.begin(), notes.end());
    for (SystemSoundID neverPlayed : {0u, 1104u, 1105u})
        EXPECT_EQ(distinct.count(neverPlayed), 0u) << neverPlayed;
    EXPECT_LE(distinct.size(), 13u);
    EXPECT_LE(audio::liveSystemSounds() - before, 13u);
    audio::waitForPendingPlays();
}

} // namespace
