// One preferences object written from many threads, and the settings pane writing the same
// file as the store: no write is lost and the file stays whole.
#include "cephei/AtomicFile.h"
#include "cephei/Preferences.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "support/TemporaryRoot.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kKeysEach = 10;

TEST(PreferencesConcurrency, WritesFromEightThreadsAllReachTheFile) {
    TemporaryRoot root;
    HB::Preferences::forgetSharedInstances();
    auto prefs = HB::Preferences::preferencesForIdentifier(NS::str("com.example.busy").ptr());
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&prefs, t] {
            for (int k = 0; k < kKeysEach; ++k) {
                auto key = NS::String::stringWithFormat("key%d-%d", t, k);
                prefs->setBoolForKey(k % 2 == 0, key.ptr());
                EXPECT_EQ(prefs->boolForKey(key.ptr()), k % 2 == 0);
            }
        });
    for (auto& writer : writers)
        writer.join();

    std::ifstream in(root / "/var/mobile/Library/Preferences/com.example.busy.plist",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    objc::RefPtr<objc::Object> stored = NS::propertyListFromBytes(bytes.str());
    auto* dictionary = dynamic_cast<NS::Dictionary*>(stored.get());
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->count(), static_cast<std::size_t>(kThreads * kKeysEach));
    HB::Preferences::forgetSharedInstances();
}

TEST(PreferencesConcurrency, ThePaneAndTheStoreWritingAtOnceLoseNoKey) {
    constexpr int kWrites = 1000;
    constexpr int kKeys = 50; // each writer's keys, rewritten in turn; the file stays small
    // On a tmpfs where there is one: this counts lost keys, and fsync on a disk is slow.
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    TemporaryRoot root;
    HB::Preferences::forgetSharedInstances();
    auto prefs = HB::Preferences::preferencesForIdentifier(NS::str("com.quarvo.tapsonata").ptr());
    std::filesystem::path file = prefs->path();
    std::thread pane([&file] { // the settings pane's write, as sim::SettingsPane makes it
        for (int i = 0; i < kWrites; ++i) {
            std::string error;
            EXPECT_TRUE(HB::updatePropertyListFile(
                file,
                [i](NS::Dictionary::Entries& entries) {
                    entries["pane" + std::to_string(i % kKeys)] = NS::Number::numberWithInt(i);
                },
                error))
                << error;
        }
    });
    for (int i = 0; i < kWrites; ++i)
        prefs->setObjectForKey(NS::Number::numberWithInt(i),
                               NS::String::stringWithFormat("store%d", i % kKeys).ptr());
    pane.join();

    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    objc::RefPtr<objc::Object> stored = NS::propertyListFromBytes(bytes.str());
    auto* dictionary = dynamic_cast<NS::Dictionary*>(stored.get());
    ASSERT_NE(dictionary, nullptr);
    ASSERT_EQ(dictionary->count(), static_cast<std::size_t>(2 * kKeys));
    for (const auto& [key, value] : dictionary->entries()) // each key's last write
        EXPECT_EQ(value->description(),
                  std::to_string(kWrites - kKeys +
                                 std::stoi(key.substr(key.find_first_of("0123456789")))))
            << key;
    HB::Preferences::forgetSharedInstances();
}

} // namespace
