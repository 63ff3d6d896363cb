// One preferences object written from many threads: no write is lost and the file stays whole.
#include "cephei/Preferences.h"
#include "foundation/Collections.h"
#include "support/TemporaryRoot.h"

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

} // namespace
