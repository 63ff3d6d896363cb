// OpenAL Soft's loopback device rendered in real time, 256 frames a period, by a thread that
// stands in for a sound device's (at real-time priority where allowed), as a device would pull
// it: the yardstick of the benchmarks from a key or a call to the first sample mixed.
#pragma once

#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <pthread.h>
#include <thread>
#include <vector>

class PacedLoopback {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kPeriod = 256;
    const std::chrono::nanoseconds period{kPeriod * 1'000'000'000LL / audio::kSampleRate};

    // The system's output until it goes; false from ok() without the loopback extension.
    PacedLoopback() : m_output(audio::OpenALOutput::openLoopback()) {
        if (!m_output)
            return;
        audio::setOutput(m_output);
        m_device = std::thread([this] { render(); });
    }
    ~PacedLoopback() {
        m_done.store(true);
        if (m_device.joinable())
            m_device.join();
        if (m_output)
            audio::setOutput(nullptr);
    }
    PacedLoopback(const PacedLoopback&) = delete;
    PacedLoopback& operator=(const PacedLoopback&) = delete;

    bool ok() const { return m_output != nullptr; }
    // Seconds from now until the end of the first period with sound in it, for what `act`
    // sets sounding.
    template <typename Act>
    double secondsUntilHeard(Act act) {
        m_heardAt.store(0);
        const std::int64_t start = now();
        m_since.store(start);
        act();
        while (m_heardAt.load() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        m_since.store(0);
        return double(m_heardAt.load() - start) / 1e9;
    }

    static double percentile(std::vector<double> x, double p) {
        std::sort(x.begin(), x.end());
        return x[std::min(x.size() - 1, static_cast<std::size_t>(p * double(x.size())))];
    }

private:
    static std::int64_t now() { return Clock::now().time_since_epoch().count(); }

    void render() {
        sched_param param{};
        param.sched_priority = 20;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        auto next = Clock::now();
        while (!m_done.load()) {
            next += period;
            std::this_thread::sleep_until(next);
            std::vector<std::int16_t> block = m_output->render(kPeriod);
            const bool sound = std::any_of(block.begin(), block.end(),
                                           [](std::int16_t v) { return std::abs(int(v)) > 64; });
            if (sound && m_since.load() != 0 && m_heardAt.load() == 0)
                m_heardAt.store(now());
        }
    }

    std::shared_ptr<audio::OpenALOutput> m_output;
    std::atomic<bool> m_done{false};
    std::atomic<std::int64_t> m_since{0}, m_heardAt{0};
    std::thread m_device;
};
