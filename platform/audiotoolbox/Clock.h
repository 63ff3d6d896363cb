// The clock that stamps each play. The real one is the host's steady clock; the simulator and
// tests install a ManualClock they advance, so a WAV rendering can run faster than real time
// and still place every note at the moment it was asked for.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace audio {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time since an arbitrary origin.
    virtual std::chrono::nanoseconds now() const = 0;
};

class SteadyClock final : public Clock {
public:
    std::chrono::nanoseconds now() const override;
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(std::chrono::nanoseconds start = {}) : m_now(start.count()) {}
    std::chrono::nanoseconds now() const override {
        return std::chrono::nanoseconds(m_now.load(std::memory_order_acquire));
    }
    void advance(std::chrono::nanoseconds by) {
        m_now.fetch_add(by.count(), std::memory_order_acq_rel);
    }
    void set(std::chrono::nanoseconds to) { m_now.store(to.count(), std::memory_order_release); }

private:
    std::atomic<std::int64_t> m_now;
};

// The process's clock; null restores the steady clock.
void setClock(std::shared_ptr<Clock> clock);
std::shared_ptr<Clock> clock();

// The sample position of a time, rounded to the nearest sample: exact for whole samples.
std::uint64_t samplePosition(std::chrono::nanoseconds sinceOrigin);

} // namespace audio
