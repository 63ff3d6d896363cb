#include "support/FakeClock.h"

#include <chrono>

ScopedFakeClock::ScopedFakeClock(double secondsSince1970)
    : m_clock(std::make_shared<FakeClock>(secondsSince1970)) {
    NS::setClock(m_clock);
}

ScopedFakeClock::~ScopedFakeClock() {
    NS::setClock(nullptr);
}

double utcTime(int year, unsigned month, unsigned day, int hour, int minute, int second) {
    using namespace std::chrono;
    sys_days date{std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)};
    auto time = sys_seconds(date) + hours(hour) + minutes(minute) + seconds(second);
    return static_cast<double>(time.time_since_epoch().count());
}
