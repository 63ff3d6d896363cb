// NS::String: %@ formatting, and the device's rules for boolValue and intValue of text.
#include "foundation/String.h"

#include "foundation/Data.h"
#include "foundation/Number.h"

#include <climits>
#include <cstddef>
#include <gtest/gtest.h>

namespace {

using NS::str;
using NS::String;

std::string format(std::string_view fmt, std::initializer_list<NS::FormatArg> args) {
    return String::format(fmt, args)->str();
}

TEST(StringFormat, ObjectsPrintTheirDescriptionAndNilPrintsNull) {
    objc::RefPtr<String> none;
    EXPECT_EQ(String::stringWithFormat("by %@", str("Quarvo"))->str(), "by Quarvo");
    EXPECT_EQ(String::stringWithFormat("by %@", none)->str(), "by (null)");
    EXPECT_EQ(String::stringWithFormat("-%@", NS::Number::numberWithInt(15))->str(), "-15");
    EXPECT_EQ(String::stringWithFormat("\u00a9 %@ 2026\n %@", str("Zoë"), str(""))->str(),
              "\u00a9 Zoë 2026\n ");
}

TEST(StringFormat, ArgumentsAreNeverReadAsFormats) {
    EXPECT_EQ(String::stringWithFormat("Hi %@!", str("%@ %s %d %%"))->str(), "Hi %@ %s %d %%!");
    // An argument that looks like a format does not make the next one shift.
    EXPECT_EQ(String::stringWithFormat("%@ and %@", str("%@"), str("second"))->str(),
              "%@ and second");
    EXPECT_EQ(String::stringWithFormat("%s|%@", "%@", str("100%"))->str(), "%@|100%");
}

TEST(StringFormat, CStringsIntegersAndStrayPercents) {
    std::size_t size = 7;
    EXPECT_EQ(String::stringWithFormat("[%s: %s:%d] %s: %@", "Tapsonata", "Tweak.cpp", 42, "start",
                                       str("ok"))
                  ->str(),
              "[Tapsonata: Tweak.cpp:42] start: ok");
    EXPECT_EQ(format("%ld %lld %u", {-5L, LLONG_MIN, 7u}), "-5 -9223372036854775808 7");
    EXPECT_EQ(String::stringWithFormat("%lu", size)->str(), "7");
    EXPECT_EQ(format("%s", {static_cast<const char*>(nullptr)}), "(null)");
    EXPECT_EQ(format("100%% 100% sure %q%@ %", {str("x")}), "100% 100% sure %qx %");
    EXPECT_EQ(format("a%@b%@c", {str("1")}), "a1bc") << "a missing argument prints nothing";
}

TEST(StringValue, IntValueReadsALeadingNumber) {
    EXPECT_EQ(str(" 12abc")->intValue(), 12);
    EXPECT_EQ(str("\t\n -42")->intValue(), -42);
    EXPECT_EQ(str("+7")->intValue(), 7);
    EXPECT_EQ(str("0001")->intValue(), 1);
    EXPECT_EQ(str("12.9")->intValue(), 12);
    EXPECT_EQ(str("abc")->intValue(), 0);
    EXPECT_EQ(str("- 5")->intValue(), 0);
    EXPECT_DOUBLE_EQ(str(" 2.5x")->doubleValue(), 2.5);
}

TEST(StringValue, OverflowSaturates) {
    EXPECT_EQ(str("2147483647")->intValue(), INT_MAX);
    EXPECT_EQ(str("2147483648")->intValue(), INT_MAX);
    EXPECT_EQ(str("-2147483649")->intValue(), INT_MIN);
    EXPECT_EQ(str("99999999999999999999999999")->intValue(), INT_MAX);
    EXPECT_EQ(str("9223372036854775808")->longLongValue(), LLONG_MAX);
    EXPECT_EQ(str("-9223372036854775809")->longLongValue(), LLONG_MIN);
}

TEST(StringValue, BoolValueIsTrueForYesTrueAndNonZeroNumbersOnly) {
    for (const char* text : {"YES", "y", "t", "true", "  YES", "0001", "-1", "9 lives"})
        EXPECT_TRUE(str(text)->boolValue()) << '"' << text << '"';
    for (const char* text : {"no", "0", "-0", "", "false", "n", "0.5", "x1"})
        EXPECT_FALSE(str(text)->boolValue()) << '"' << text << '"';
}

TEST(StringObject, EqualityAndDecoding) {
    EXPECT_TRUE(str("2026")->isEqual(str("2026").ptr()));
    EXPECT_FALSE(str("2026")->isEqual(str("2027").ptr()));
    EXPECT_FALSE(str("2026")->isEqual(NS::Number::numberWithInt(2026).ptr()));
    auto high = String::initWithData(*NS::Data::dataWithBytes("caf\xe9"), NS::ASCIIStringEncoding);
    EXPECT_EQ(high->str(), "caf\u00e9") << "bytes above 0x7f decode as Latin-1";
    EXPECT_EQ(str("ab")->stringByAppendingString(str("cd").ptr())->str(), "abcd");
    EXPECT_EQ(str("ab")->stringByAppendingString(nullptr)->str(), "ab");
}

} // namespace
