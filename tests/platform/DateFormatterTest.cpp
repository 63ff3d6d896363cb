// NS::Date::date() with an injected clock, and NS::DateFormatter's patterns, zones and locale.
#include "foundation/DateFormatter.h"

#include "support/FakeClock.h"

#include <ctime>
#include <gtest/gtest.h>

namespace {

using namespace NS;

std::string formatted(double when, const char* pattern, long secondsFromGMT = 0) {
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat(pattern);
    formatter->setTimeZone(TimeZone::timeZoneForSecondsFromGMT(secondsFromGMT).ptr());
    return formatter->stringFromDate(Date::dateWithTimeIntervalSince1970(when).ptr())->str();
}

// The formatter as the version footer sets it up, reading "now" from a fixed clock.
TEST(DateFormatterYear, IsTheYearInTheZoneItIsGiven) {
    auto yearAt = [](double when, long secondsFromGMT) {
        auto formatter = DateFormatter::dateFormatter();
        formatter->setLocale(Locale::initWithLocaleIdentifier("en_US_POSIX").ptr());
        formatter->setDateFormat("yyyy");
        formatter->setTimeZone(TimeZone::timeZoneForSecondsFromGMT(secondsFromGMT).ptr());
        ScopedFakeClock clock(when);
        return formatter->stringFromDate(Date::date().ptr())->str();
    };
    EXPECT_EQ(yearAt(utcTime(2026, 12, 31, 23, 59, 59), 0), "2026");
    // An hour ahead of GMT the new year has begun; an hour behind it has not.
    EXPECT_EQ(yearAt(utcTime(2026, 12, 31, 23, 30), 3600), "2027");
    EXPECT_EQ(yearAt(utcTime(2027, 1, 1, 0, 30), -3600), "2026");
}

TEST(DateFormatterPattern, FieldsNamesAndZones) {
    double when = utcTime(2026, 3, 5, 7, 8, 9) + 0.25;
    EXPECT_EQ(formatted(when, "yyyy-MM-dd HH:mm:ss.SSS"), "2026-03-05 07:08:09.250");
    EXPECT_EQ(formatted(when, "y/M/d H:m:s yy"), "2026/3/5 7:8:9 26");
    EXPECT_EQ(formatted(utcTime(2026, 12, 31, 23, 30), "EEEE MMMM", 3600), "Friday January");
    EXPECT_EQ(formatted(utcTime(2026, 1, 1, 0, 30), "h:mm a"), "12:30 AM");
    EXPECT_EQ(formatted(utcTime(2026, 6, 1), "ZZZZZ", -(3 * 3600 + 1800)), "-03:30");
    EXPECT_EQ(formatted(-0.5, "yyyy-MM-dd HH:mm:ss.SSS"), "1969-12-31 23:59:59.500");
}

TEST(DateFormatterPattern, QuotedTextAndOtherCharactersAreLiteral) {
    double when = utcTime(2026, 6, 1, 12);
    EXPECT_EQ(formatted(when, "'year' yyyy, o''clock"), "year 2026, o'clock");
    EXPECT_EQ(formatted(when, "\u00a9 yyyy - [x]"), "\u00a9 2026 - [x]");
}

TEST(DateFormatter, TheLocaleDoesNotChangeTheOutputAndNoZoneIsTheHostsZone) {
    double when = utcTime(2026, 12, 31, 23, 30);
    auto date = Date::dateWithTimeIntervalSince1970(when);
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat("yyyy-MM-dd HH:mm MMMM");
    formatter->setLocale(Locale::initWithLocaleIdentifier(str("ar_SA").ptr()).ptr());
    std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    localtime_r(&t, &local);
    char expected[64];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M %B", &local);
    EXPECT_EQ(formatter->stringFromDate(date.ptr())->str(), expected);
    EXPECT_FALSE(formatter->stringFromDate(nullptr));
}

} // namespace
