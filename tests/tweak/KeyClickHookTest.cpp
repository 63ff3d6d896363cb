#include "KeyClickFixture.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/SystemSounds.h"
#include "device/Random.h"
#include "support/EventRecorder.h"

#include <fstream>

namespace {

using Hook = KeyClickFixture;

void fixRandom(std::uint32_t value, std::vector<std::uint32_t>* bounds = nullptr) {
    device::setRandomSource([value, bounds](std::uint32_t bound) {
        if (bounds)
            bounds->push_back(bound);
        return value;
    });
}

// A click becomes a drawn note of the instrument, never played itself; an instrument outside the
// table suppresses it without a draw; every other sound passes unchanged.
TEST_F(Hook, AClickBecomesTheDrawnNoteOfTheInstrumentAndIsNeverPlayedItself) {
    const struct {
        int instrument;
        std::uint32_t draw;
        SystemSoundID click;
    } cases[] = {{2, 12, 1105}, {1, 7, 1104}, {4, 0, 1104},  {5, 3, 1105},
                 {6, 0, 1104},  {0, 0, 1105}, {-1, 0, 1104}, {7, 0, 1104}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instrument);
        enable(c.instrument);
        std::vector<std::uint32_t> bounds;
        fixRandom(c.draw, &bounds);
        std::size_t before = passedOn().size();
        AudioServicesPlaySystemSound(c.click);
        ASSERT_EQ(passedOn().size(), before + 1);
        SystemSoundID note = passedOn().back();
        if (c.instrument < 1 || c.instrument > 5) {
            EXPECT_EQ(note, 0u);
            EXPECT_TRUE(bounds.empty());
            continue;
        }
        EXPECT_NE(note & ~1u, 1104u);
        EXPECT_EQ(bounds,
                  std::vector<std::uint32_t>{std::uint32_t(tweak::noteCount(c.instrument))});
        auto sound = audio::findSystemSound(note);
        EXPECT_EQ(sound ? sound->file : std::nullopt, tweak::notePath(c.instrument, c.draw));
    }
    enable(4);
    for (SystemSoundID other : {1103u, 1106u, 0u}) {
        AudioServicesPlaySystemSound(other);
        EXPECT_EQ(passedOn().back(), other);
    }
}

// A note file replaced by garbage, cut short or emptied: that note is silent and reported once,
// however often it is drawn; the other notes play on, and the note plays again once mended.
TEST_F(Hook, ABadNoteFileIsReportedOnceWhileTheOtherNotesPlayOn) {
    const std::string note = "/Library/Application Support/Tapsonata/violin/do1.mp3";
    std::ifstream in(root->path(note), std::ios::binary);
    const std::string good(std::istreambuf_iterator<char>(in), {});
    const std::pair<const char*, std::string> bad[] = {
        {"garbage", "not an mp3 at all"}, {"truncated", good.substr(0, 64)}, {"emptied", ""}};
    enable(5);
    for (const auto& [kind, bytes] : bad) {
        SCOPED_TRACE(kind);
        support::EventRecorder events;
        tweak::forgetNoteSounds();
        root->write(note, bytes);
        std::size_t before = passedOn().size();
        for (std::uint32_t pick : {0u, 1u, 0u, 0u}) {
            fixRandom(pick);
            AudioServicesPlaySystemSound(1104);
        }
        std::vector<SystemSoundID> played = passedOn();
        played.erase(played.begin(), played.begin() + static_cast<std::ptrdiff_t>(before));
        ASSERT_EQ(played.size(), 4u);
        EXPECT_EQ(played[0], 0u);
        EXPECT_NE(played[1], 0u) << "another note plays on";
        EXPECT_EQ(played[2] | played[3], 0u);
        EXPECT_EQ(support::values(events.events("error"), "file"), std::vector<std::string>{note});
        std::size_t logged = 0;
        for (const support::Event& e : events.events("log"))
            logged += e.str("text").find(note) != std::string::npos;
        EXPECT_EQ(logged, 1u);

        root->write(note, good);
        fixRandom(0);
        AudioServicesPlaySystemSound(1104);
        EXPECT_NE(passedOn().back(), 0u) << "the mended note plays";
    }
}

} // namespace
