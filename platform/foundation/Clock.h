// The wall clock that NS::Date::date() reads. The real one is the host's system clock; tests
// install a fake so that "now" is a moment they choose (New Year in UTC, say).
#pragma once

#include <memory>

namespace NS {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual double now() const = 0;
};

// Installs a clock for the whole process; null puts the system clock back.
void setClock(std::shared_ptr<Clock> clock);
// Seconds since 1970 by the clock in place.
double currentTime();

} // namespace NS
