#include "tweak/SoundTable.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using tweak::noteCount;
using tweak::notePath;

TEST(SoundTable, HoldsFortyFiveDistinctNotesInFiveRows) {
    EXPECT_EQ(noteCount(1), 8u);
    EXPECT_EQ(noteCount(2), 13u);
    EXPECT_EQ(noteCount(3), 8u);
    EXPECT_EQ(noteCount(4), 8u);
    EXPECT_EQ(noteCount(5), 8u);
    EXPECT_EQ(noteCount(0), 0u);
    EXPECT_EQ(noteCount(6), 0u);
    EXPECT_EQ(noteCount(-1), 0u);

    std::set<std::string> paths;
    std::set<std::size_t> slots;
    for (int instrument = 1; instrument <= 5; ++instrument) {
        for (std::size_t i = 0; i < noteCount(instrument); ++i) {
            paths.insert(notePath(instrument, i));
            slots.insert(tweak::tableIndex(instrument, i));
        }
    }
    EXPECT_EQ(paths.size(), tweak::kSoundTableSize);
    EXPECT_EQ(slots.size(), tweak::kSoundTableSize);
    EXPECT_EQ(*slots.rbegin(), tweak::kSoundTableSize - 1);
}

TEST(SoundTable, EntriesAreTheInstalledPathsInTableOrder) {
    tweak::buildSoundTable();
    EXPECT_EQ(tweak::soundURL(2, 12)->path(),
              "/Library/Application Support/Tapsonata/drums/13.mp3");
    EXPECT_EQ(tweak::soundURL(4, 0)->path(),
              "/Library/Application Support/Tapsonata/piano/do1.mp3");
    EXPECT_EQ(tweak::soundURL(1, 7)->path(), "/Library/Application Support/Tapsonata/bass/do2.mp3");
    EXPECT_EQ(tweak::soundURL(3, 4)->path(),
              "/Library/Application Support/Tapsonata/guitar/sol.mp3");
    EXPECT_EQ(tweak::soundURL(5, 1)->path(),
              "/Library/Application Support/Tapsonata/violin/re.mp3");
    EXPECT_TRUE(tweak::soundURL(1, 0)->isFileURL());
    EXPECT_EQ(tweak::soundURL(1, 8), nullptr);
    EXPECT_EQ(tweak::soundURL(2, 13), nullptr);
    EXPECT_EQ(tweak::soundURL(6, 0), nullptr);
}

} // namespace
