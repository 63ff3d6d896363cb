// HB::Preferences: the domain's property list under the device root, bound variables, atomic
// writes that survive a relaunch, and stores that cannot be read or written.
#include "cephei/Preferences.h"

#include "device/Root.h"
#include "fixtures/LogCapture.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "support/EventRecorder.h"
#include "support/TemporaryRoot.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* kDomain = "com.quarvo.tapsonata";
constexpr const char* kDomainFile = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

objc::Ref<NS::String> key(const char* name) {
    return NS::str(name);
}

objc::Ref<HB::Preferences> open(const char* domain = kDomain) {
    return HB::Preferences::preferencesForIdentifier(NS::str(domain).ptr());
}

std::string xmlOf(NS::Dictionary::Entries entries) {
    return NS::propertyListToXML(*NS::Dictionary::dictionary(std::move(entries)));
}

class Preferences : public testing::Test {
protected:
    void SetUp() override { HB::Preferences::forgetSharedInstances(); }
    void TearDown() override { HB::Preferences::forgetSharedInstances(); }
    // Another process start: the shared instances are gone and the store is read afresh.
    void relaunch() { HB::Preferences::forgetSharedInstances(); }

    // The file as a dictionary, read the way the settings pane would.
    objc::RefPtr<NS::Dictionary> stored() const {
        std::ostringstream bytes;
        bytes << std::ifstream(file, std::ios::binary).rdbuf();
        objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(bytes.str());
        return objc::RefPtr<NS::Dictionary>(dynamic_cast<NS::Dictionary*>(root.get()));
    }

    TemporaryRoot root;
    fs::path file = root / kDomainFile;
};

TEST_F(Preferences, ABoundVariableTakesTheDefaultOrTheStoredValueAndFollowsWrites) {
    root.write(kDomainFile, NS::propertyListToBinary(*NS::Dictionary::dictionary(
                                {{"firstUse", NS::Number::numberWithBool(false)}})));
    auto prefs = open();
    EXPECT_EQ(prefs.ptr(), open().ptr()) << "one shared instance per identifier";
    bool firstUse = true;
    prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
    prefs->setBoolForKey(true, key("firstUse").ptr());
    EXPECT_TRUE(firstUse);
    prefs->setObjectForKey(NS::str("no"), key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
    prefs->setObjectForKey(nullptr, key("firstUse").ptr()); // removed: back to the default
    EXPECT_TRUE(firstUse);
}

TEST_F(Preferences, StoredValuesAreReadWithThePlatformsBoolRulesAndOtherTypesAreAbsent) {
    root.write(kDomainFile, xmlOf({{"yes", NS::str("YES")},
                                   {"no", NS::str("no")},
                                   {"number", NS::Number::numberWithInt(2)},
                                   {"list", NS::Array::array({NS::str("YES")})}}));
    auto prefs = open();
    bool list = false;
    prefs->registerBoolDefaultForKey(&list, true, key("list").ptr());
    EXPECT_TRUE(list);
    EXPECT_TRUE(prefs->boolForKey(key("yes").ptr()));
    EXPECT_FALSE(prefs->boolForKey(key("no").ptr()));
    EXPECT_TRUE(prefs->boolForKey(key("number").ptr()));
}

TEST_F(Preferences, AWriteIsStoredWholeSurvivesARelaunchAndIsReported) {
    support::EventRecorder events;
    bool firstUse = true;
    open()->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    open()->setBoolForKey(false, key("firstUse").ptr());
    open()->setBoolForKey(true, key("other").ptr());

    relaunch();
    bool afterRelaunch = true;
    open()->registerBoolDefaultForKey(&afterRelaunch, true, key("firstUse").ptr());
    EXPECT_FALSE(afterRelaunch);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".com.quarvo.tapsonata.plist.lock",
                                               "com.quarvo.tapsonata.plist"}))
        << "no temporary file is left behind";
    EXPECT_EQ(
        events.events("prefs_write").at(0),
        R"({"event":"prefs_write","domain":"com.quarvo.tapsonata","key":"firstUse","value":false})");
}

TEST_F(Preferences, AWriteKeepsKeysAnotherWriterAddedMeanwhile) {
    root.write(kDomainFile, xmlOf({{"instrument", NS::Number::numberWithInt(3)}}));
    auto prefs = open();
    root.write(kDomainFile, xmlOf({{"instrument", NS::Number::numberWithInt(3)},
                                   {"note", NS::str("added later")}}));
    prefs->setBoolForKey(false, key("firstUse").ptr());
    auto dictionary = stored();
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(dictionary->count(), 3U);
    EXPECT_EQ(dictionary->objectForKey("note")->description(), "added later");
}

TEST_F(Preferences, ACorruptStoreReadsAsEmptyAndIsReplacedByTheNextWrite) {
    std::string binary = NS::propertyListToBinary(
        *NS::Dictionary::dictionary({{"firstUse", NS::Number::numberWithBool(false)}}));
    for (const std::string& bytes : {binary.substr(0, binary.size() / 2),
                                     NS::propertyListToXML(*NS::Array::array({NS::str("x")}))}) {
        relaunch();
        fixtures::LogCapture log;
        root.write(kDomainFile, bytes);
        bool firstUse = false;
        auto prefs = open();
        prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
        EXPECT_TRUE(firstUse);
        EXPECT_FALSE(log.containing("reading it as empty").empty());
        prefs->setBoolForKey(false, key("firstUse").ptr());
        ASSERT_TRUE(stored());
        EXPECT_EQ(stored()->count(), 1U);
    }
}

TEST_F(Preferences, AFailedWriteKeepsTheValueInMemoryAndSaysWhy) {
    // The preferences folder is a plain file, so nothing can be created under it (even as root).
    root.write("/var/mobile/Library/Preferences", "not a folder");
    fixtures::LogCapture log;
    bool firstUse = true;
    auto prefs = open();
    prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    prefs->setBoolForKey(false, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
    EXPECT_FALSE(prefs->boolForKey(key("firstUse").ptr()));
    EXPECT_EQ(log.containing("firstUse of com.quarvo.tapsonata was kept in memory only").size(),
              1U);
}

TEST_F(Preferences, ADomainThatCannotBeAFileNameStaysInMemory) {
    fixtures::LogCapture log;
    auto escape = open("../../../escape");
    escape->setBoolForKey(true, key("k").ptr());
    EXPECT_TRUE(escape->boolForKey(key("k").ptr()));
    EXPECT_FALSE(fs::exists(root.root() / "escape.plist"));
    EXPECT_EQ(log.containing("cannot name a preferences domain").size(), 1U);
}

} // namespace
