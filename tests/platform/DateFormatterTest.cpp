// NS::Date::date() with an injected clock, and NS::DateFormatter's patterns, zones and locale.
#include "foundation/DateFormatter.h"

#include "support/FakeClock.h"

#include <cmath>
#include <ctime>
#include <gtest/gtest.h>

namespace {

using namespace NS;

// The formatter set up as the version footer sets it up, with a chosen zone.
std::string yearAt(double when, long secondsFromGMT) {
    auto formatter = DateFormatter::dateFormatter();
    formatter->setLocale(Locale::initWithLocaleIdentifier("en_US_POSIX").ptr());
    formatter->setDateFormat("yyyy");
    formatter->setTimeZone(TimeZone::timeZoneForSecondsFromGMT(secondsFromGMT).ptr());
    ScopedFakeClock clock(when);
    objc::RefPtr<String> text = formatter->stringFromDate(Date::date().ptr());
    return text ? text->str() : "(nil)";
}

std::string formatted(double when, const char* pattern, long secondsFromGMT = 0) {
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat(pattern);
    formatter->setTimeZone(TimeZone::timeZoneForSecondsFromGMT(secondsFromGMT).ptr());
    return formatter->stringFromDate(Date::dateWithTimeIntervalSince1970(when).ptr())->str();
}

TEST(Clock, DateReadsTheInjectedClock) {
    double when = utcTime(2026, 12, 31, 23, 30);
    {
        ScopedFakeClock clock(when);
        EXPECT_DOUBLE_EQ(Date::date()->timeIntervalSince1970(), when);
        clock->advance(90);
        EXPECT_DOUBLE_EQ(Date::date()->timeIntervalSince1970(), when + 90);
        EXPECT_EQ(clock->reads(), 2);
    }
    // The system clock is back: today, not the fake's moment.
    EXPECT_LT(
        std::fabs(Date::date()->timeIntervalSince1970() - static_cast<double>(std::time(nullptr))),
        3600.0);
}

TEST(DateFormatterYear, IsTheUtcYearAtNewYear) {
    EXPECT_EQ(yearAt(utcTime(2026, 12, 31, 23, 30), 0), "2026");
    EXPECT_EQ(yearAt(utcTime(2027, 1, 1, 0, 30), 0), "2027");
    EXPECT_EQ(yearAt(utcTime(2026, 12, 31, 23, 59, 59), 0), "2026");
    EXPECT_EQ(yearAt(utcTime(2027, 1, 1), 0), "2027");
}

TEST(DateFormatterYear, FollowsTheZoneItIsGiven) {
    // An hour ahead of GMT the new year has begun; an hour behind it has not.
    EXPECT_EQ(yearAt(utcTime(2026, 12, 31, 23, 30), 3600), "2027");
    EXPECT_EQ(yearAt(utcTime(2027, 1, 1, 0, 30), 3600), "2027");
    EXPECT_EQ(yearAt(utcTime(2027, 1, 1, 0, 30), -3600), "2026");
}

TEST(DateFormatterPattern, NumericFields) {
    double when = utcTime(2026, 3, 5, 7, 8, 9) + 0.25;
    EXPECT_EQ(formatted(when, "yyyy-MM-dd"), "2026-03-05");
    EXPECT_EQ(formatted(when, "yyyy-MM-dd HH:mm:ss.SSS"), "2026-03-05 07:08:09.250");
    EXPECT_EQ(formatted(when, "y/M/d H:m:s"), "2026/3/5 7:8:9");
    EXPECT_EQ(formatted(when, "yy"), "26");
    EXPECT_EQ(formatted(when, "S SSSS"), "2 2500");
    EXPECT_EQ(formatted(utcTime(5, 1, 1), "yyyy y"), "0005 5");
}

TEST(DateFormatterPattern, NamesAreEnglish) {
    double when = utcTime(2026, 12, 31, 23, 30);
    EXPECT_EQ(formatted(when, "EEE, d MMM yyyy"), "Thu, 31 Dec 2026");
    EXPECT_EQ(formatted(when, "EEEE d MMMM"), "Thursday 31 December");
    EXPECT_EQ(formatted(when, "EEEE", 3600), "Friday");
    EXPECT_EQ(formatted(when, "MMMMM"), "D");
}

TEST(DateFormatterPattern, TwelveHourClock) {
    EXPECT_EQ(formatted(utcTime(2026, 1, 1, 0, 30), "h:mm a"), "12:30 AM");
    EXPECT_EQ(formatted(utcTime(2026, 1, 1, 12, 5), "h:mm a"), "12:05 PM");
    EXPECT_EQ(formatted(utcTime(2026, 1, 1, 13, 5), "hh:mm a"), "01:05 PM");
}

TEST(DateFormatterPattern, ZoneOffsets) {
    double when = utcTime(2026, 6, 1);
    EXPECT_EQ(formatted(when, "HH:mm Z", 3600), "01:00 +0100");
    EXPECT_EQ(formatted(when, "ZZZZ", 3600), "GMT+01:00");
    EXPECT_EQ(formatted(when, "ZZZZZ", -(3 * 3600 + 1800)), "-03:30");
    EXPECT_EQ(formatted(when, "ZZZZ"), "GMT");
    EXPECT_EQ(formatted(when, "ZZZZZ"), "Z");
}

TEST(DateFormatterPattern, QuotedTextAndOtherCharactersAreLiteral) {
    double when = utcTime(2026, 6, 1, 12);
    EXPECT_EQ(formatted(when, "yyyy'T'HH"), "2026T12");
    EXPECT_EQ(formatted(when, "'year' yyyy, o''clock"), "year 2026, o'clock");
    EXPECT_EQ(formatted(when, "'unclosed"), "unclosed");
    EXPECT_EQ(formatted(when, "\u00a9 yyyy - [x]"), "\u00a9 2026 - [x]");
    EXPECT_EQ(formatted(when, ""), "");
}

TEST(DateFormatterPattern, DatesBefore1970) {
    EXPECT_EQ(formatted(-0.5, "yyyy-MM-dd HH:mm:ss.SSS"), "1969-12-31 23:59:59.500");
    EXPECT_EQ(Date::dateWithTimeIntervalSince1970(-0.5)->description(),
              "1969-12-31 23:59:59 +0000");
}

TEST(DateFormatter, LocaleDoesNotChangeTheOutput) {
    double when = utcTime(2026, 12, 31, 23, 30);
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat(str("yyyy MMMM").ptr());
    formatter->setTimeZone(TimeZone::timeZoneForSecondsFromGMT(0).ptr());
    auto date = Date::dateWithTimeIntervalSince1970(when);
    formatter->setLocale(Locale::initWithLocaleIdentifier("en_US_POSIX").ptr());
    std::string posix = formatter->stringFromDate(date.ptr())->str();
    formatter->setLocale(Locale::initWithLocaleIdentifier(str("ar_SA").ptr()).ptr());
    EXPECT_EQ(formatter->stringFromDate(date.ptr())->str(), posix);
    EXPECT_EQ(posix, "2026 December");
    EXPECT_EQ(formatter->locale()->localeIdentifier(), "ar_SA");
}

TEST(DateFormatter, WithoutAZoneUsesTheHostsLocalZone) {
    double when = utcTime(2026, 12, 31, 23, 30);
    std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    localtime_r(&t, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M", &local);
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat("yyyy-MM-dd HH:mm");
    EXPECT_EQ(formatter->stringFromDate(Date::dateWithTimeIntervalSince1970(when).ptr())->str(),
              expected);
}

TEST(DateFormatter, NilDateGivesNil) {
    auto formatter = DateFormatter::dateFormatter();
    formatter->setDateFormat("yyyy");
    EXPECT_FALSE(formatter->stringFromDate(nullptr));
}

TEST(TimeZone, DescriptionAndClamping) {
    EXPECT_EQ(TimeZone::timeZoneForSecondsFromGMT(0)->description(), "GMT");
    EXPECT_EQ(TimeZone::timeZoneForSecondsFromGMT(3600)->description(), "GMT+0100");
    EXPECT_EQ(TimeZone::timeZoneForSecondsFromGMT(-12600)->description(), "GMT-0330");
    EXPECT_EQ(TimeZone::timeZoneForSecondsFromGMT(1000000)->secondsFromGMT(), 18 * 3600);
    EXPECT_TRUE(TimeZone::timeZoneForSecondsFromGMT(0)->isEqual(
        TimeZone::timeZoneForSecondsFromGMT(0).ptr()));
}

TEST(Date, EqualityAndExtremes) {
    EXPECT_TRUE(Date::dateWithTimeIntervalSince1970(5)->isEqual(
        Date::dateWithTimeIntervalSince1970(5).ptr()));
    EXPECT_FALSE(Date::dateWithTimeIntervalSince1970(5)->isEqual(
        Date::dateWithTimeIntervalSince1970(6).ptr()));
    // Far-off and non-finite moments are shown, never crash.
    EXPECT_FALSE(formatted(1e300, "yyyy").empty());
    EXPECT_FALSE(formatted(std::nan(""), "yyyy").empty());
}

} // namespace
