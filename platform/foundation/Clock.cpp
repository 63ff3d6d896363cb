#include "foundation/Clock.h"

#include <chrono>
#include <mutex>

namespace NS {

namespace {

class SystemClock final : public Clock {
public:
    double now() const override {
        auto since = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration<double>(since).count();
    }
};

std::mutex g_lock;
std::shared_ptr<Clock> g_clock;

} // namespace

void setClock(std::shared_ptr<Clock> clock) {
    std::lock_guard guard(g_lock);
    g_clock = std::move(clock);
}

double currentTime() {
    std::shared_ptr<Clock> clock;
    {
        std::lock_guard guard(g_lock);
        clock = g_clock;
    }
    // Read outside the lock: a fake may take its time, and a clock may be swapped meanwhile.
    return clock ? clock->now() : SystemClock().now();
}

} // namespace NS
