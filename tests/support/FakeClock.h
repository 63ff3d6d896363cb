// A wall clock that stands still until a test moves it, installed as the process's clock
// (NS::setClock) for a scope, which then puts the system clock back.
#pragma once

#include "foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <memory>

class ScopedFakeClock {
public:
    explicit ScopedFakeClock(double secondsSince1970 = 0)
        : m_clock(std::make_shared<Fixed>(secondsSince1970)) {
        NS::setClock(m_clock);
    }
    ~ScopedFakeClock() { NS::setClock(nullptr); }
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

    void setNow(double secondsSince1970) { m_clock->seconds.store(secondsSince1970); }

private:
    struct Fixed final : NS::Clock {
        explicit Fixed(double secondsSince1970) : seconds(secondsSince1970) {}
        double now() const override { return seconds.load(); }
        std::atomic<double> seconds;
    };
    std::shared_ptr<Fixed> m_clock;
};

// Seconds since 1970 of a UTC calendar moment, e.g. utcTime(2026, 12, 31, 23, 30).
inline double utcTime(int year, unsigned month, unsigned day, int hour = 0, int minute = 0) {
    using namespace std::chrono;
    sys_seconds time =
        sys_days{std::chrono::year(year) / month / day} + hours(hour) + minutes(minute);
    return static_cast<double>(time.time_since_epoch().count());
}
