#include "tweak/TweakSettings.h"

#include "foundation/Data.h"
#include "foundation/Number.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using objc::RefPtr;

// Values the platform reads as a flag or a number, read its way; any other type counts as absent.
TEST(TweakSettings, ReadsTheFileTheWayThePlatformReadsValues) {
    auto num = [](int n) -> RefPtr<objc::Object> { return NS::Number::numberWithInt(n); };
    const RefPtr<objc::Object> odd[] = {
        NS::Array::array({num(1)}), NS::Dictionary::dictionary({{"a", num(1)}}),
        NS::Date::dateWithTimeIntervalSince1970(1e9), NS::Data::dataWithBytes("\x01\x02")};
    struct Case {
        RefPtr<objc::Object> enabled, instrument;
        bool wantEnabled;
        int wantInstrument;
    };
    std::vector<Case> cases = {
        {nullptr, nullptr, false, 4}, // no keys: disabled piano
        {NS::Number::numberWithBool(true), num(2), true, 2},
        {num(2), NS::str("5"), true, 5},
        {NS::str("YES"), NS::Number::numberWithDouble(3.9), true, 3},
        {NS::str("no"), num(0), false, 4},                     // 0 means piano
        {NS::Number::numberWithBool(false), num(7), false, 7}, // out of range is kept
        {nullptr, num(-1), false, -1},
        {nullptr, NS::str("abc"), false, 4},
        {NS::str("true"), NS::str("2147483648"), true, INT_MAX}, // saturates
        {NS::str(" +1"), NS::Number::numberWithDouble(1e12), true, INT_MAX},
    };
    for (const RefPtr<objc::Object>& o : odd)
        cases.push_back({o, o, false, 4});
    for (const auto& c : cases) {
        auto file = NS::MutableDictionary::dictionary();
        file->setObjectForKey(c.enabled, "enabled");
        file->setObjectForKey(c.instrument, "instrument");
        tweak::FileSettings s = tweak::readFileSettings(file.ptr());
        SCOPED_TRACE(
            NS::String::stringWithFormat("%@ / %@", c.enabled.get(), c.instrument.get())->str());
        EXPECT_EQ(s.enabled, c.wantEnabled);
        EXPECT_EQ(s.instrument, c.wantInstrument);
    }
    EXPECT_FALSE(tweak::readFileSettings(nullptr).enabled);
    EXPECT_EQ(tweak::readFileSettings(nullptr).instrument, 4);
}

} // namespace
