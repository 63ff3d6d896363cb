// Reading property lists through NS::MutableDictionary::initWithContentsOfFile: XML and
// binary, every value type the settings use, and nil for anything that is not a dictionary.
#include "foundation/Collections.h"
#include "foundation/Data.h"
#include "foundation/Number.h"
#include "support/FakeClock.h"
#include "support/TemporaryRoot.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

using namespace NS;
using objc::RefPtr;

const char* const kPath = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

const char* const kXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>blob</key><data>AAH+</data>
    <key>enabled</key><true/>
    <key>huge</key><integer>-9223372036854775808</integer>
    <key>instrument</key><integer>4</integer>
    <key>list</key><array><integer>1</integer><string>a</string></array>
    <key>name</key><string>piano</string>
    <key>negative</key><integer>-5</integer>
    <key>nested</key><dict><key>k</key><string>v</string></dict>
    <key>off</key><false/>
    <key>ratio</key><real>2.5</real>
    <key>when</key><date>2026-12-31T23:30:00Z</date>
</dict>
</plist>
)";

// The same dictionary as a binary property list, as Python's plistlib writes it (which writes
// negative integers in eight bytes, like the device).
const std::string kBinary("\x62\x70\x6c\x69\x73\x74\x30\x30\xdb\x01\x02\x03\x04\x05\x06\x07"
                          "\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x13\x14\x15\x18\x19\x1a\x54"
                          "\x62\x6c\x6f\x62\x57\x65\x6e\x61\x62\x6c\x65\x64\x54\x68\x75\x67"
                          "\x65\x5a\x69\x6e\x73\x74\x72\x75\x6d\x65\x6e\x74\x54\x6c\x69\x73"
                          "\x74\x54\x6e\x61\x6d\x65\x58\x6e\x65\x67\x61\x74\x69\x76\x65\x56"
                          "\x6e\x65\x73\x74\x65\x64\x53\x6f\x66\x66\x55\x72\x61\x74\x69\x6f"
                          "\x54\x77\x68\x65\x6e\x43\x00\x01\xfe\x09\x13\x80\x00\x00\x00\x00"
                          "\x00\x00\x00\x10\x04\xa2\x11\x12\x10\x01\x51\x61\x55\x70\x69\x61"
                          "\x6e\x6f\x13\xff\xff\xff\xff\xff\xff\xff\xfb\xd1\x16\x17\x51\x6b"
                          "\x51\x76\x08\x23\x40\x04\x00\x00\x00\x00\x00\x00\x33\x41\xc8\x73"
                          "\x8e\x7c\x00\x00\x00\x08\x1f\x24\x2c\x31\x3c\x41\x46\x4f\x56\x5a"
                          "\x60\x65\x69\x6a\x73\x75\x78\x7a\x7c\x82\x8b\x8e\x90\x92\x93\x9c"
                          "\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x1b"
                          "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xa5",
                          224);

RefPtr<MutableDictionary> read(const char* path = kPath) {
    return MutableDictionary::initWithContentsOfFile(str(path).ptr());
}

template <typename T>
RefPtr<T> value(const Dictionary& dictionary, const char* key) {
    RefPtr<objc::Object> object = dictionary.objectForKey(key);
    return RefPtr<T>(dynamic_cast<T*>(object.get()));
}

void expectTheSettings(const Dictionary& settings) {
    EXPECT_EQ(settings.count(), 11u);
    ASSERT_TRUE(value<Number>(settings, "enabled"));
    EXPECT_EQ(value<Number>(settings, "enabled")->kind(), Number::Kind::Bool);
    EXPECT_FALSE(value<Number>(settings, "off")->boolValue());
    EXPECT_EQ(value<Number>(settings, "negative")->intValue(), -5);
    EXPECT_EQ(value<Number>(settings, "huge")->longLongValue(), LLONG_MIN);
    EXPECT_DOUBLE_EQ(value<Number>(settings, "ratio")->doubleValue(), 2.5);
    EXPECT_EQ(value<String>(settings, "name")->str(), "piano");
    ASSERT_TRUE(value<Date>(settings, "when"));
    EXPECT_DOUBLE_EQ(value<Date>(settings, "when")->timeIntervalSince1970(),
                     utcTime(2026, 12, 31, 23, 30));
    ASSERT_TRUE(value<Data>(settings, "blob"));
    EXPECT_EQ(value<Data>(settings, "blob")->bytes(), std::string("\x00\x01\xfe", 3));
    ASSERT_TRUE(value<Array>(settings, "list"));
    EXPECT_TRUE(value<Array>(settings, "list")->objectAtIndex(1)->isEqual(str("a").ptr()));
    ASSERT_TRUE(value<Dictionary>(settings, "nested"));
    EXPECT_EQ(value<String>(*value<Dictionary>(settings, "nested"), "k")->str(), "v");
}

class PropertyListFile : public ::testing::Test {
protected:
    TemporaryRoot root;
};

TEST_F(PropertyListFile, ReadsXmlAndBinary) {
    for (const std::string& bytes : {std::string(kXml), kBinary}) {
        root.write(kPath, bytes);
        RefPtr<MutableDictionary> settings = read();
        ASSERT_TRUE(settings);
        expectTheSettings(*settings);
    }
    root.write(kPath, "<plist version=\"1.0\"><dict/></plist>");
    RefPtr<MutableDictionary> empty = read();
    ASSERT_TRUE(empty) << "an empty dictionary is not nil";
    EXPECT_EQ(empty->count(), 0u);
}

TEST_F(PropertyListFile, MissingOrMalformedFilesGiveNil) {
    EXPECT_FALSE(read());
    EXPECT_FALSE(MutableDictionary::initWithContentsOfFile(nullptr));
    for (const std::string& bytes :
         {std::string("not a plist at all"), std::string(kXml).substr(0, 200),
          std::string("<plist><dict><true/></dict></plist>"), kBinary.substr(0, 220)}) {
        root.write(kPath, bytes);
        EXPECT_FALSE(read()) << testing::PrintToString(bytes);
    }
}

TEST_F(PropertyListFile, RootThatIsNotADictionaryGivesNil) {
    root.write(kPath, "<plist version=\"1.0\"><array><integer>1</integer></array></plist>");
    EXPECT_FALSE(read());
    static const char arrayBinary[] = "bplist00\xa2\x01\x02\x10\x01\x10\x02\x08\x0b\x0d"
                                      "\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00"
                                      "\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00"
                                      "\x00\x00\x00\x00\x00\x00\x00\x0f";
    root.write(kPath, std::string(arrayBinary, sizeof arrayBinary - 1));
    EXPECT_FALSE(read());
}

TEST_F(PropertyListFile, PathsOutsideTheRootOrNotFilesGiveNil) {
    root.write("/etc/secret.plist", kXml);
    EXPECT_FALSE(read("/var/../../etc/secret.plist"));
    EXPECT_FALSE(read("var/mobile/relative.plist"));
    std::filesystem::create_directories(root.path("/var/mobile/folder.plist"));
    EXPECT_FALSE(read("/var/mobile/folder.plist"));
}

// Runs `body` on a thread with the 512 KiB stack the device gives secondary threads.
template <typename Body>
void onSmallStack(Body body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, std::size_t{512} * 1024), 0);
    pthread_t thread;
    auto run = [](void* fn) -> void* {
        (*static_cast<Body*>(fn))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &body), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

std::string repeated(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string nestedXml(std::size_t levels, const std::string& open = "<array>",
                      const std::string& close = "</array>") {
    return "<plist version=\"1.0\">" + repeated(open, levels) + repeated(close, levels) +
           "</plist>";
}

// `levels` binary arrays, each holding the next `refs` times; four-byte offsets and references.
std::string nestedBinary(std::size_t levels, int refs = 1) {
    auto be32 = [](std::string& out, std::size_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += static_cast<char>(v >> shift & 0xff);
    };
    std::string objects, offsets, trailer = std::string(6, '\0') + "\x04\x04";
    for (std::size_t i = 0; i < levels; ++i) {
        be32(offsets, 8 + objects.size());
        objects += static_cast<char>(i + 1 < levels ? 0xa0 + refs : 0xa0);
        for (int r = 0; i + 1 < levels && r < refs; ++r)
            be32(objects, i + 1);
    }
    for (std::size_t field : {levels, std::size_t{0}, 8 + objects.size()}) {
        trailer += std::string(4, '\0');
        be32(trailer, field);
    }
    return "bplist00" + objects + offsets + trailer;
}

TEST(PropertyList, HostileInputReadsAsNilAndNothingCrashesOnASmallStack) {
    // {"a": "\u00e9\0y"} and {"\u00e9\0z": "v"}: UTF-16 strings, which libplist keeps whole.
    const std::string trailer = std::string(6, '\0') + "\x01\x01" + std::string(7, '\0') + "\x03" +
                                std::string(15, '\0') + "\x14";
    const std::string nulString =
        std::string("bplist00\xd1\x01\x02\x51\x61\x63\x00\xe9\x00\x00\x00\x79\x08\x0b\x0d", 23) +
        trailer;
    const std::string nulKey =
        std::string("bplist00\xd1\x01\x02\x63\x00\xe9\x00\x00\x00\x7a\x51\x76\x08\x0b\x12", 23) +
        trailer;
    static const char nulXml[] = "<plist><dict><key>a</key><string>x\0y</string></dict></plist>";
    const struct {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"a binary string holding a NUL", nulString, false},
        {"a binary key holding a NUL", nulKey, false},
        {"an XML string holding a NUL", std::string(nulXml, sizeof nulXml - 1), false},
        {"an XML key that is not UTF-8",
         "<plist><dict><key>na\xff\xffme</key><string>piano</string></dict></plist>", false},
        {"50,000 nested XML arrays", nestedXml(50000), false},
        {"50,000 nested binary arrays", nestedBinary(50000), false},
        {"129 nested XML dictionaries", nestedXml(129, "<dict><key>k</key>", "</dict>"), false},
        {"128 nested XML dictionaries", nestedXml(128, "<dict><key>k</key>", "</dict>"), true},
        {"128 nested binary arrays", nestedBinary(128), true},
        {"40 binary arrays each holding the next twice", nestedBinary(40, 2), false},
        {"1,000 dictionaries side by side",
         "<plist><array>" + repeated("<dict/>", 1000) + "</array></plist>", true},
    };
    for (const auto& c : cases)
        onSmallStack([&c] {
            RefPtr<objc::Object> read = propertyListFromBytes(c.bytes);
            EXPECT_EQ(read != nullptr, c.accepted) << c.what;
        });
}

TEST(PropertyList, ABinaryDateBeforeTheReferenceDateKeepsItsFraction) {
    double when = utcTime(2000, 12, 31, 23, 59) + 55.5;
    RefPtr<objc::Object> back = propertyListFromBytes(
        propertyListToBinary(*Array::array({Date::dateWithTimeIntervalSince1970(when)})));
    auto* list = dynamic_cast<Array*>(back.get());
    ASSERT_TRUE(list);
    auto* date = dynamic_cast<Date*>(list->objectAtIndex(0).get());
    ASSERT_TRUE(date);
    EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), when);
}

TEST(PropertyList, WrittenAndReadBackInBothForms) {
    auto original = MutableDictionary::dictionary();
    original->setObjectForKey(Number::numberWithBool(true), "enabled");
    original->setObjectForKey(Number::numberWithInt(-3), "negative");
    original->setObjectForKey(str("t\u00eate"), "text");
    original->setObjectForKey(Array::array({str("a"), Number::numberWithDouble(0.25)}), "list");
    for (const std::string& bytes :
         {propertyListToXML(*original), propertyListToBinary(*original)}) {
        RefPtr<objc::Object> back = propertyListFromBytes(bytes);
        ASSERT_TRUE(back);
        EXPECT_TRUE(original->isEqual(back.get())) << back->description();
    }
}

} // namespace
