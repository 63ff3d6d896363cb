// Property lists as the settings and the preferences store use them: every value type written
// and read back in both forms, nil for any file that is not a dictionary of the device's, and
// hostile input read as nil without a crash on a secondary thread's stack.
#include "foundation/Collections.h"
#include "foundation/Data.h"
#include "foundation/Date.h"
#include "foundation/Number.h"
#include "support/FakeClock.h"
#include "support/TemporaryRoot.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

using namespace NS;
using objc::RefPtr;

const char* const kPath = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

RefPtr<MutableDictionary> read(const char* path = kPath) {
    return MutableDictionary::initWithContentsOfFile(str(path).ptr());
}

// Dates keep their fraction of a second only in the binary form.
TEST(PropertyList, EveryValueTypeIsWrittenAndReadBackInBothForms) {
    for (bool binary : {false, true}) {
        double fraction = binary ? 0.5 : 0.0;
        auto original = Dictionary::dictionary(
            {{"on", Number::numberWithBool(true)},
             {"off", Number::numberWithBool(false)},
             {"negative", Number::numberWithInt(-5)},
             {"huge", Number::numberWithLongLong(LLONG_MIN)},
             {"ratio", Number::numberWithDouble(0.1)},
             {"text", str("t\u00eate")},
             {"blob", Data::dataWithBytes(std::string("\0\1\xfe", 3))},
             // Before and after the device's reference date, 2001-01-01.
             {"dates",
              Array::array(
                  {Date::dateWithTimeIntervalSince1970(utcTime(2000, 12, 31, 23, 59) + fraction),
                   Date::dateWithTimeIntervalSince1970(utcTime(2026, 1, 1) + fraction)})},
             {"nested", Dictionary::dictionary({{"k", str("v")}})}});
        RefPtr<objc::Object> back = propertyListFromBytes(binary ? propertyListToBinary(*original)
                                                                 : propertyListToXML(*original));
        ASSERT_TRUE(back);
        EXPECT_TRUE(original->isEqual(back.get())) << back->description();
        EXPECT_EQ(
            dynamic_cast<Number*>(dynamic_cast<Dictionary*>(back.get())->objectForKey("on").get())
                ->kind(),
            Number::Kind::Bool);
    }
}

TEST(PropertyListFile, AnythingButADictionaryUnderTheRootIsNil) {
    TemporaryRoot root;
    root.write("/etc/secret.plist", propertyListToXML(*Dictionary::dictionary({})));
    std::filesystem::create_directories(root.path("/var/mobile/folder.plist"));
    EXPECT_FALSE(read()) << "missing";
    EXPECT_FALSE(MutableDictionary::initWithContentsOfFile(nullptr));
    EXPECT_FALSE(read("/var/../../etc/secret.plist"));
    EXPECT_FALSE(read("var/mobile/relative.plist"));
    EXPECT_FALSE(read("/var/mobile/folder.plist"));
    const std::string full = propertyListToBinary(*Dictionary::dictionary({{"a", str("b")}}));
    for (const std::string& bytes :
         {std::string("not a plist at all"), full.substr(0, full.size() - 4),
          std::string("<plist><dict><true/></dict></plist>"),
          propertyListToXML(*Array::array({str("x")})),
          propertyListToBinary(*Array::array({str("x")}))}) {
        root.write(kPath, bytes);
        EXPECT_FALSE(read()) << bytes.size() << " bytes";
    }
    root.write(kPath, full);
    ASSERT_TRUE(read());
    EXPECT_EQ(read()->count(), 1u);
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
    while (times--)
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
    // {"a": "x\0y"} as an ASCII string, which libplist would cut short at the NUL.
    const std::string nulAscii =
        std::string("bplist00\xd1\x01\x02\x51\x61\x53x\0y\x08\x0b\x0d", 20) +
        trailer.substr(0, trailer.size() - 1) + "\x11";
    static const char nulXml[] = "<plist><dict><key>a</key><string>x\0y</string></dict></plist>";
    const struct {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"a binary string holding a NUL", nulString, false},
        {"a binary key holding a NUL", nulKey, false},
        {"an ASCII binary string holding a NUL", nulAscii, false},
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

} // namespace
