// NS::DateFormatter, with NS::Locale and NS::TimeZone: dates as text by a Unicode pattern.
//
// Every locale formats like "en_US_POSIX": Gregorian calendar, ASCII digits, English month and
// day names. The pattern letters understood are y, M/L, d, E, a, H, h, m, s, S and Z; text in
// single quotes is literal, "''" is one quote, and every other character is copied.
#pragma once

#include "foundation/Date.h"
#include "foundation/String.h"

#include <string>
#include <string_view>

namespace NS {

class Locale : public objc::Object {
public:
    static Ref<Locale> initWithLocaleIdentifier(std::string_view identifier);
    static Ref<Locale> initWithLocaleIdentifier(const String* identifier);

    const std::string& localeIdentifier() const { return m_identifier; }
    std::string description() const override { return m_identifier; }

private:
    explicit Locale(std::string identifier);
    std::string m_identifier;
};

// A fixed offset from GMT, at most 18 hours either way (larger offsets are clamped).
class TimeZone : public objc::Object {
public:
    static Ref<TimeZone> timeZoneForSecondsFromGMT(long seconds);

    long secondsFromGMT() const { return m_seconds; }
    // "GMT", "GMT+0100", "GMT-0330"
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    explicit TimeZone(long seconds);
    long m_seconds;
};

class DateFormatter : public objc::Object {
public:
    static Ref<DateFormatter> dateFormatter();

    void setLocale(Locale* locale) { m_locale = locale; }
    RefPtr<Locale> locale() const { return m_locale; }
    void setDateFormat(std::string_view format) { m_format = format; }
    void setDateFormat(const String* format) { m_format = format ? format->str() : ""; }
    const std::string& dateFormat() const { return m_format; }
    // Without a time zone, dates are shown in the host's local zone.
    void setTimeZone(TimeZone* zone) { m_zone = zone; }
    RefPtr<TimeZone> timeZone() const { return m_zone; }

    // Nil for a nil date.
    RefPtr<String> stringFromDate(const Date* date) const;

private:
    DateFormatter();
    RefPtr<Locale> m_locale;
    RefPtr<TimeZone> m_zone;
    std::string m_format;
};

} // namespace NS
