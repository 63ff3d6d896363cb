// The preferences store written from many threads while the settings pane writes the same
// file: no write is lost and the file stays whole.
#include "cephei/AtomicFile.h"
#include "cephei/Preferences.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "support/TemporaryRoot.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// Eight threads of SpringBoard's store and the settings pane write the same file at once, the
// pane through the locked update its own process uses. Every write adds a key of its own, so a
// write lost to the other side stays lost: every key must be there.
TEST(PreferencesConcurrency, TheStoreFromEightThreadsAndThePaneWritingAtOnceLoseNoKey) {
    constexpr int kThreads = 8, kWrites = 500; // per side: 1,000 writes at once
    // On a tmpfs where there is one: this counts lost keys, and fsync on a disk is slow.
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    TemporaryRoot root;
    HB::Preferences::forgetSharedInstances();
    auto prefs = HB::Preferences::preferencesForIdentifier(NS::str("com.quarvo.tapsonata").ptr());
    std::filesystem::path file = prefs->path();
    std::vector<std::jthread> writers;
    writers.emplace_back([&file] {
        for (int i = 0; i < kWrites; ++i) {
            std::string error;
            EXPECT_TRUE(HB::updatePropertyListFile(
                file,
                [i](NS::Dictionary::Entries& entries) {
                    entries["pane" + std::to_string(i)] = NS::Number::numberWithInt(i);
                },
                error))
                << error;
        }
    });
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&prefs, t] {
            for (int i = t; i < kWrites; i += kThreads)
                prefs->setObjectForKey(NS::Number::numberWithInt(i),
                                       NS::String::stringWithFormat("store%d", i).ptr());
        });
    writers.clear();

    auto dictionary = NS::MutableDictionary::initWithContentsOfFile(
        NS::str("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist").ptr());
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(dictionary->count(), static_cast<std::size_t>(2 * kWrites));
    for (const auto& [key, value] : dictionary->entries())
        EXPECT_EQ(value->description(), key.substr(key[0] == 'p' ? 4 : 5)) << key;
    HB::Preferences::forgetSharedInstances();
}

} // namespace
