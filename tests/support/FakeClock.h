// A wall clock that stands still until a test moves it, and a scope that installs it as the
// process's clock (NS::setClock) and puts the system clock back afterwards.
#pragma once

#include "foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <memory>

class FakeClock final : public NS::Clock {
public:
    explicit FakeClock(double secondsSince1970 = 0) : m_now(secondsSince1970) {}
    double now() const override { return m_now.load(std::memory_order_acquire); }
    void setNow(double secondsSince1970) {
        m_now.store(secondsSince1970, std::memory_order_release);
    }
    void advance(double seconds) { setNow(m_now.load(std::memory_order_acquire) + seconds); }

private:
    std::atomic<double> m_now;
};

class ScopedFakeClock {
public:
    explicit ScopedFakeClock(double secondsSince1970 = 0)
        : m_clock(std::make_shared<FakeClock>(secondsSince1970)) {
        NS::setClock(m_clock);
    }
    ~ScopedFakeClock() { NS::setClock(nullptr); }
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

    FakeClock* operator->() { return m_clock.get(); }

private:
    std::shared_ptr<FakeClock> m_clock;
};

// Seconds since 1970 of a UTC calendar moment, e.g. utcTime(2026, 12, 31, 23, 30).
inline double utcTime(int year, unsigned month, unsigned day, int hour = 0, int minute = 0) {
    using namespace std::chrono;
    sys_seconds time =
        sys_days{std::chrono::year(year) / month / day} + hours(hour) + minutes(minute);
    return static_cast<double>(time.time_since_epoch().count());
}
