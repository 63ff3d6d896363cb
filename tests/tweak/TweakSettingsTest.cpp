#include "tweak/TweakSettings.h"

#include "foundation/Data.h"
#include "foundation/Number.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::RefPtr;

tweak::FileSettings read(RefPtr<objc::Object> enabled, RefPtr<objc::Object> instrument) {
    auto file = NS::MutableDictionary::dictionary();
    file->setObjectForKey(enabled, "enabled");
    file->setObjectForKey(instrument, "instrument");
    return tweak::readFileSettings(file.ptr());
}

TEST(TweakSettings, NoFileOrNoKeysMeansDisabledPiano) {
    tweak::FileSettings none = tweak::readFileSettings(nullptr);
    EXPECT_FALSE(none.enabled);
    EXPECT_EQ(none.instrument, 4);

    tweak::FileSettings empty = read(nullptr, nullptr);
    EXPECT_FALSE(empty.enabled);
    EXPECT_EQ(empty.instrument, 4);
}

TEST(TweakSettings, ReadsFlagsAndNumbersTheWayThePlatformDoes) {
    EXPECT_TRUE(read(NS::Number::numberWithBool(true), nullptr).enabled);
    EXPECT_TRUE(read(NS::Number::numberWithInt(2), nullptr).enabled);
    EXPECT_TRUE(read(NS::str("YES"), nullptr).enabled);
    EXPECT_FALSE(read(NS::str("no"), nullptr).enabled);
    EXPECT_FALSE(read(NS::Number::numberWithBool(false), nullptr).enabled);

    EXPECT_EQ(read(nullptr, NS::Number::numberWithInt(2)).instrument, 2);
    EXPECT_EQ(read(nullptr, NS::str("5")).instrument, 5);
    EXPECT_EQ(read(nullptr, NS::Number::numberWithDouble(3.9)).instrument, 3);
}

TEST(TweakSettings, ZeroMeansPianoButOutOfRangeValuesAreKept) {
    EXPECT_EQ(read(nullptr, NS::Number::numberWithInt(0)).instrument, 4);
    EXPECT_EQ(read(nullptr, NS::Number::numberWithInt(7)).instrument, 7);
    EXPECT_EQ(read(nullptr, NS::Number::numberWithInt(-1)).instrument, -1);
    EXPECT_EQ(read(nullptr, NS::str("abc")).instrument, 4);
}

TEST(TweakSettings, ValuesWithoutBoolOrIntValueCountAsAbsent) {
    std::vector<Ref<objc::Object>> odd = {
        NS::Array::array({NS::Number::numberWithInt(1)}),
        NS::Dictionary::dictionary({{"a", NS::Number::numberWithInt(1)}}),
        NS::Date::dateWithTimeIntervalSince1970(1e9),
        NS::Data::dataWithBytes("\x01\x02"),
    };
    for (const auto& value : odd) {
        SCOPED_TRACE(value->description());
        tweak::FileSettings s = read(value, value);
        EXPECT_FALSE(s.enabled);
        EXPECT_EQ(s.instrument, 4);
    }
}

} // namespace
