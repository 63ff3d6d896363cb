#include "foundation/DateFormatter.h"

#include "objc/Runtime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace NS {

namespace {

objc::Class* registered(const char* name) {
    return objc::objc_lookUpOrRegisterClass(name, objc::NSObjectClass());
}

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

// The calendar fields of a moment as seen at a fixed offset from UTC.
struct Fields {
    long long year;
    unsigned month;   // 1-12
    unsigned day;     // 1-31
    unsigned weekday; // 0 is Sunday
    long long hour, minute, second;
    int millisecond;
    long offset;
};

Fields fieldsAt(double time, long offset) {
    using namespace std::chrono;
    // About 31,000 years either way: beyond that the calendar's year type would overflow.
    time = std::isfinite(time) ? std::clamp(time, -1e12, 1e12) : 0;
    double whole = std::floor(time);
    auto local = sys_seconds{seconds(static_cast<long long>(whole) + offset)};
    auto day = floor<days>(local);
    year_month_day ymd{day};
    hh_mm_ss clock{local - day};
    return {static_cast<int>(ymd.year()),
            static_cast<unsigned>(ymd.month()),
            static_cast<unsigned>(ymd.day()),
            weekday{day}.c_encoding(),
            clock.hours().count(),
            clock.minutes().count(),
            clock.seconds().count(),
            std::min(999, static_cast<int>((time - whole) * 1000)),
            offset};
}

long localOffset(double time) {
    std::time_t t = static_cast<std::time_t>(std::floor(std::isfinite(time) ? time : 0));
    std::tm tm{};
    return localtime_r(&t, &tm) ? tm.tm_gmtoff : 0;
}

std::string padded(long long value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string name(const char* full, std::size_t count) {
    std::string text = full;
    if (count == 3)
        return text.substr(0, 3);
    if (count >= 5)
        return text.substr(0, 1);
    return text;
}

std::string offsetText(long offset, std::size_t count) {
    if (offset == 0 && count == 4)
        return "GMT";
    if (offset == 0 && count == 5)
        return "Z";
    long minutes = std::labs(offset) / 60;
    std::string sign = offset < 0 ? "-" : "+";
    std::string hh = padded(minutes / 60, 2), mm = padded(minutes % 60, 2);
    if (count == 4)
        return "GMT" + sign + hh + ":" + mm;
    if (count == 5)
        return sign + hh + ":" + mm;
    return sign + hh + mm;
}

// One run of a pattern letter, such as "yyyy" or "MMM".
std::string field(char letter, std::size_t count, const Fields& f) {
    switch (letter) {
    case 'y': {
        long long year = f.year > 0 ? f.year : 1 - f.year; // years of the era, as the device
        return count == 2 ? padded(year % 100, 2) : padded(year, count);
    }
    case 'M':
    case 'L':
        return count <= 2 ? padded(f.month, count) : name(kMonths[f.month - 1], count);
    case 'd':
        return padded(f.day, count);
    case 'E':
        return name(kWeekdays[f.weekday], count < 3 ? 3 : count);
    case 'a':
        return f.hour < 12 ? "AM" : "PM";
    case 'H':
        return padded(f.hour, count);
    case 'h':
        return padded(f.hour % 12 == 0 ? 12 : f.hour % 12, count);
    case 'm':
        return padded(f.minute, count);
    case 's':
        return padded(f.second, count);
    case 'S': {
        std::string digits = padded(f.millisecond, 3);
        return count <= 3 ? digits.substr(0, count) : digits + std::string(count - 3, '0');
    }
    case 'Z':
        return offsetText(f.offset, count);
    default:
        return std::string(count, letter); // a letter we do not know stays as it is
    }
}

std::string format(std::string_view pattern, const Fields& f) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') { // '' is one quote
                out += '\'';
                i += 2;
                continue;
            }
            std::size_t close = pattern.find('\'', i + 1);
            if (close == std::string_view::npos)
                close = pattern.size();
            out += pattern.substr(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter) {
            out += c;
            ++i;
            continue;
        }
        std::size_t run = i;
        while (run < pattern.size() && pattern[run] == c)
            ++run;
        out += field(c, run - i, f);
        i = run;
    }
    return out;
}

} // namespace

Locale::Locale(std::string identifier) : m_identifier(std::move(identifier)) {
    static objc::Class* cls = registered("NSLocale");
    setIsa(cls);
}

Ref<Locale> Locale::initWithLocaleIdentifier(std::string_view identifier) {
    return objc::adopt(new Locale(std::string(identifier)));
}

Ref<Locale> Locale::initWithLocaleIdentifier(const String* identifier) {
    return initWithLocaleIdentifier(identifier ? identifier->str() : "");
}

TimeZone::TimeZone(long seconds) : m_seconds(std::clamp(seconds, -18 * 3600L, 18 * 3600L)) {
    static objc::Class* cls = registered("NSTimeZone");
    setIsa(cls);
}

Ref<TimeZone> TimeZone::timeZoneForSecondsFromGMT(long seconds) {
    return objc::adopt(new TimeZone(seconds));
}

std::string TimeZone::description() const {
    return m_seconds == 0 ? "GMT" : "GMT" + offsetText(m_seconds, 3);
}

bool TimeZone::isEqual(const objc::Object* other) const {
    auto* zone = dynamic_cast<const TimeZone*>(other);
    return zone && zone->m_seconds == m_seconds;
}

DateFormatter::DateFormatter() {
    static objc::Class* cls = registered("NSDateFormatter");
    setIsa(cls);
}

Ref<DateFormatter> DateFormatter::dateFormatter() {
    return objc::adopt(new DateFormatter);
}

RefPtr<String> DateFormatter::stringFromDate(const Date* date) const {
    if (!date)
        return nullptr;
    double time = date->timeIntervalSince1970();
    long offset = m_zone ? m_zone->secondsFromGMT() : localOffset(time);
    return String::string(format(m_format, fieldsAt(time, offset)));
}

} // namespace NS
