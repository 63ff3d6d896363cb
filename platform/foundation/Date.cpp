#include "foundation/Date.h"

#include "foundation/Clock.h"
#include "objc/Runtime.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace NS {

Date::Date(double seconds) : m_seconds(seconds) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSDate", objc::NSObjectClass());
    setIsa(cls);
}

objc::Ref<Date> Date::date() {
    return dateWithTimeIntervalSince1970(currentTime());
}

objc::Ref<Date> Date::dateWithTimeIntervalSince1970(double seconds) {
    return objc::adopt(new Date(seconds));
}

std::string Date::description() const {
    using namespace std::chrono;
    // Whole seconds toward the past, so that 0.5 s before 1970 still reads 1969.
    auto whole = static_cast<long long>(std::floor(std::isfinite(m_seconds) ? m_seconds : 0));
    sys_seconds point{seconds(whole)};
    auto day = floor<days>(point);
    year_month_day ymd{day};
    hh_mm_ss time{point - day};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02lld:%02lld:%02lld +0000",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<long long>(time.hours().count()),
                  static_cast<long long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return buffer;
}

bool Date::isEqual(const objc::Object* other) const {
    auto* date = dynamic_cast<const Date*>(other);
    return date && date->m_seconds == m_seconds;
}

} // namespace NS
