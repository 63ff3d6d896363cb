// HB::Preferences: the domain's property list under the device root, bound variables, atomic
// writes that survive a relaunch, and stores that cannot be read or written.
#include "cephei/Preferences.h"

#include "fixtures/Capture.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "objc/Runtime.h"

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

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The file as a dictionary, read the way the settings pane would.
objc::RefPtr<NS::Dictionary> storedDomain(const fs::path& path) {
    objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(readFile(path));
    return objc::RefPtr<NS::Dictionary>(dynamic_cast<NS::Dictionary*>(root.get()));
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

    fixtures::TemporaryRoot root;
    fs::path file = root / kDomainFile;
};

TEST_F(Preferences, OneSharedInstancePerIdentifier) {
    auto a = open();
    auto b = open();
    auto other = open("com.example.other");
    EXPECT_EQ(a.ptr(), b.ptr());
    EXPECT_NE(a.ptr(), other.ptr());
    EXPECT_EQ(a->identifier(), kDomain);
    EXPECT_EQ(a->path(), file);
    EXPECT_EQ(a->isa(), objc::objc_getClass("HBPreferences"));
}

TEST_F(Preferences, ABoundVariableTakesTheDefaultWhenNothingIsStored) {
    bool firstUse = false;
    open()->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    EXPECT_TRUE(firstUse);
    EXPECT_TRUE(open()->boolForKey(key("firstUse").ptr()));
    EXPECT_FALSE(open()->boolForKey(key("neverRegistered").ptr()));
    EXPECT_FALSE(fs::exists(file)); // registering writes nothing
}

TEST_F(Preferences, ABoundVariableTakesTheStoredValueAndFollowsWrites) {
    writeFile(file, xmlOf({{"firstUse", NS::Number::numberWithBool(false)}}));
    auto prefs = open();
    bool firstUse = true;
    bool alsoBound = true;
    prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    prefs->registerBoolDefaultForKey(&alsoBound, true, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
    EXPECT_FALSE(alsoBound);

    prefs->setBoolForKey(true, key("firstUse").ptr());
    EXPECT_TRUE(firstUse);
    EXPECT_TRUE(alsoBound);
    prefs->setObjectForKey(nullptr, key("firstUse").ptr()); // removed: back to the default
    EXPECT_TRUE(firstUse);
    prefs->setObjectForKey(NS::str("no"), key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
}

TEST_F(Preferences, StoredValuesAreReadWithThePlatformsBoolRules) {
    writeFile(file, xmlOf({{"yes", NS::str("YES")},
                           {"zeros", NS::str("0001")},
                           {"no", NS::str("no")},
                           {"number", NS::Number::numberWithInt(2)},
                           {"list", NS::Array::array({NS::str("YES")})}}));
    auto prefs = open();
    bool list = false;
    prefs->registerBoolDefaultForKey(&list, true, key("list").ptr());
    EXPECT_TRUE(prefs->boolForKey(key("yes").ptr()));
    EXPECT_TRUE(prefs->boolForKey(key("zeros").ptr()));
    EXPECT_FALSE(prefs->boolForKey(key("no").ptr()));
    EXPECT_TRUE(prefs->boolForKey(key("number").ptr()));
    EXPECT_TRUE(list); // a value of another type counts as absent: the default
    ASSERT_TRUE(prefs->objectForKey(key("yes").ptr()));
    EXPECT_EQ(prefs->objectForKey(key("yes").ptr())->description(), "YES");
}

TEST_F(Preferences, AWriteSurvivesARelaunch) {
    bool firstUse = true;
    open()->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    open()->setBoolForKey(false, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);

    relaunch();
    bool afterRelaunch = true;
    open()->registerBoolDefaultForKey(&afterRelaunch, true, key("firstUse").ptr());
    EXPECT_FALSE(afterRelaunch);
    auto stored = storedDomain(file);
    ASSERT_TRUE(stored);
    auto* value = dynamic_cast<NS::Number*>(stored->objectForKey("firstUse").get());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->kind(), NS::Number::Kind::Bool);
    EXPECT_FALSE(value->boolValue());
}

TEST_F(Preferences, AWriteKeepsTheOtherKeysOfTheFile) {
    writeFile(file, xmlOf({{"enabled", NS::Number::numberWithBool(true)},
                           {"instrument", NS::Number::numberWithInt(3)}}));
    auto prefs = open();
    // Another writer (the settings pane) adds a key after this object read the file.
    writeFile(file, xmlOf({{"enabled", NS::Number::numberWithBool(true)},
                           {"instrument", NS::Number::numberWithInt(3)},
                           {"note", NS::str("added later")}}));
    prefs->setBoolForKey(false, key("firstUse").ptr());

    auto stored = storedDomain(file);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count(), 4U);
    EXPECT_EQ(stored->objectForKey("instrument")->description(), "3");
    EXPECT_EQ(stored->objectForKey("note")->description(), "added later");
    EXPECT_TRUE(dynamic_cast<NS::Number*>(stored->objectForKey("enabled").get())->boolValue());
}

TEST_F(Preferences, EachStoredWriteIsReported) {
    fixtures::EventCapture events;
    open()->setBoolForKey(false, key("firstUse").ptr());
    EXPECT_EQ(
        events.events("prefs_write"),
        std::vector<std::string>{
            R"({"event":"prefs_write","domain":"com.quarvo.tapsonata","key":"firstUse","value":false})"});
}

struct CorruptStore {
    const char* name;
    std::string bytes;
};

class PreferencesCorruptStore : public Preferences,
                                public testing::WithParamInterface<CorruptStore> {};

TEST_P(PreferencesCorruptStore, ReadsAsEmptyAndIsReplacedByTheNextWrite) {
    fixtures::LogCapture log;
    writeFile(file, GetParam().bytes);
    bool firstUse = false;
    auto prefs = open();
    prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    EXPECT_TRUE(firstUse);
    EXPECT_FALSE(prefs->objectForKey(key("firstUse").ptr()));
    EXPECT_FALSE(log.containing("reading it as empty").empty());

    prefs->setBoolForKey(false, key("firstUse").ptr());
    auto stored = storedDomain(file);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count(), 1U);
}

std::string binaryStore() {
    return NS::propertyListToBinary(
        *NS::Dictionary::dictionary({{"firstUse", NS::Number::numberWithBool(false)}}));
}

INSTANTIATE_TEST_SUITE_P(
    Preferences, PreferencesCorruptStore,
    testing::Values(
        CorruptStore{"empty", ""}, CorruptStore{"garbage", "\x01\x02not a plist\xff"},
        CorruptStore{"truncatedXml",
                     xmlOf({{"firstUse", NS::Number::numberWithBool(false)}}).substr(0, 120)},
        CorruptStore{"truncatedBinary", binaryStore().substr(0, binaryStore().size() / 2)},
        CorruptStore{"arrayRoot", NS::propertyListToXML(*NS::Array::array({NS::str("x")}))}),
    [](const testing::TestParamInfo<CorruptStore>& info) { return info.param.name; });

TEST_F(Preferences, ABinaryStoreIsRead) {
    writeFile(file, binaryStore());
    bool firstUse = true;
    open()->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
}

TEST_F(Preferences, LeftoverTemporaryFilesOfAnInterruptedWriteAreIgnored) {
    writeFile(file, xmlOf({{"firstUse", NS::Number::numberWithBool(false)}}));
    // A write that crashed before its rename leaves its temporary file, here cut short.
    std::string next = xmlOf({{"firstUse", NS::Number::numberWithBool(true)}});
    writeFile(file.parent_path() / ".com.quarvo.tapsonata.plist.Ab12Cd",
              next.substr(0, next.size() / 3));
    writeFile(file.parent_path() / ".com.quarvo.tapsonata.plist.Zz99Yy", "");

    auto prefs = open();
    EXPECT_FALSE(prefs->boolForKey(key("firstUse").ptr()));
    prefs->setBoolForKey(true, key("firstUse").ptr());
    relaunch();
    EXPECT_TRUE(open()->boolForKey(key("firstUse").ptr()));
}

TEST_F(Preferences, AWriteLeavesNoTemporaryFileBehind) {
    open()->setBoolForKey(true, key("a").ptr());
    open()->setBoolForKey(false, key("b").ptr());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"com.quarvo.tapsonata.plist"});
}

TEST_F(Preferences, AFailedWriteKeepsTheValueInMemoryAndSaysWhy) {
    // The preferences folder is a plain file, so nothing can be created under it (even as root).
    fs::create_directories(file.parent_path().parent_path());
    writeFile(file.parent_path(), "not a folder");
    fixtures::LogCapture log;
    fixtures::EventCapture events;
    bool firstUse = true;
    auto prefs = open();
    prefs->registerBoolDefaultForKey(&firstUse, true, key("firstUse").ptr());
    prefs->setBoolForKey(false, key("firstUse").ptr());
    EXPECT_FALSE(firstUse);
    EXPECT_FALSE(prefs->boolForKey(key("firstUse").ptr()));
    auto lines = log.containing("firstUse of com.quarvo.tapsonata was kept in memory only");
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].level, 3);
    EXPECT_TRUE(events.events("prefs_write").empty());
    EXPECT_EQ(readFile(file.parent_path()), "not a folder");
}

TEST_F(Preferences, WithoutADeviceRootValuesStayInMemory) {
    device::setRoot({});
    fixtures::LogCapture log;
    auto prefs = open();
    EXPECT_TRUE(prefs->path().empty());
    prefs->setBoolForKey(true, key("firstUse").ptr());
    EXPECT_TRUE(prefs->boolForKey(key("firstUse").ptr()));
    EXPECT_EQ(log.containing("no device root is set").size(), 1U);
}

TEST_F(Preferences, AnIdentifierThatIsNotAFileNameNeverReachesTheDisk) {
    fixtures::LogCapture log;
    auto prefs = open("../../../escape");
    EXPECT_TRUE(prefs->path().empty());
    prefs->setBoolForKey(true, key("k").ptr());
    EXPECT_TRUE(prefs->boolForKey(key("k").ptr()));
    EXPECT_FALSE(fs::exists(root.root() / "escape.plist"));
    EXPECT_FALSE(fs::exists(root.root().parent_path() / "escape.plist"));
    EXPECT_EQ(log.containing("cannot name a preferences domain").size(), 1U);
    EXPECT_EQ(log.containing("kept in memory only").size(), 1U);

    auto unnamed = HB::Preferences::preferencesForIdentifier(nullptr);
    unnamed->setBoolForKey(true, key("k").ptr());
    EXPECT_TRUE(unnamed->boolForKey(key("k").ptr()));
}

TEST_F(Preferences, NilKeysAreIgnored) {
    fixtures::LogCapture log;
    bool variable = true;
    auto prefs = open();
    prefs->registerBoolDefaultForKey(&variable, false, nullptr);
    prefs->setBoolForKey(true, nullptr);
    EXPECT_TRUE(variable);
    EXPECT_FALSE(prefs->boolForKey(nullptr));
    EXPECT_FALSE(prefs->objectForKey(nullptr));
    EXPECT_EQ(log.containing("nil key").size(), 2U);
    EXPECT_FALSE(fs::exists(file));
}

} // namespace
