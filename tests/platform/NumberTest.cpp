// NS::Number: bool, integer and real values, with truncating intValue.
#include "foundation/Number.h"

#include "foundation/String.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using NS::Number;

TEST(Number, IntValueTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(Number::numberWithDouble(3.9)->intValue(), 3);
    EXPECT_EQ(Number::numberWithDouble(-3.9)->intValue(), -3);
    EXPECT_EQ(Number::numberWithDouble(-3.9)->longLongValue(), -3);
    EXPECT_EQ(Number::numberWithDouble(1e12)->intValue(), INT_MAX);
    EXPECT_EQ(Number::numberWithDouble(-1e12)->intValue(), INT_MIN);
    EXPECT_EQ(Number::numberWithDouble(1e30)->longLongValue(), LLONG_MAX);
    EXPECT_EQ(Number::numberWithDouble(std::nan(""))->intValue(), 0);
    EXPECT_EQ(Number::numberWithDouble(std::numeric_limits<double>::infinity())->intValue(),
              INT_MAX);
    // Integers wrap to 32 bits like a cast.
    EXPECT_EQ(Number::numberWithLongLong((1LL << 32) + 5)->intValue(), 5);
}

TEST(Number, BoolValueIsNonZero) {
    EXPECT_TRUE(Number::numberWithBool(true)->boolValue());
    EXPECT_FALSE(Number::numberWithBool(false)->boolValue());
    EXPECT_TRUE(Number::numberWithInt(-1)->boolValue());
    EXPECT_FALSE(Number::numberWithInt(0)->boolValue());
    EXPECT_TRUE(Number::numberWithDouble(0.1)->boolValue());
    EXPECT_EQ(Number::numberWithBool(true)->intValue(), 1);
}

TEST(Number, DescriptionAndEqualityGoByValue) {
    EXPECT_EQ(Number::numberWithInt(-15)->description(), "-15");
    EXPECT_EQ(Number::numberWithBool(true)->description(), "1");
    EXPECT_EQ(Number::numberWithDouble(2.5)->description(), "2.5");
    EXPECT_EQ(Number::numberWithDouble(3.0)->description(), "3");
    EXPECT_TRUE(Number::numberWithInt(3)->isEqual(Number::numberWithDouble(3.0).ptr()));
    EXPECT_TRUE(Number::numberWithBool(true)->isEqual(Number::numberWithInt(1).ptr()));
    EXPECT_FALSE(Number::numberWithInt(3)->isEqual(Number::numberWithDouble(3.5).ptr()));
    EXPECT_FALSE(Number::numberWithInt(2026)->isEqual(NS::str("2026").ptr()));
}

} // namespace
