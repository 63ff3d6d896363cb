// From a key pressed on a real keyboard to the first sample mixed, along the desktop mode's
// path: the kernel's `input_event`s (written to a pipe, which stands in for /dev/input/event*)
// read by the desktop's evdev reader, the click sent as the keyboard app's command over a pipe
// to a thread that stands in for the keyboard process, and played there. OpenAL Soft's
// loopback device is rendered in real time, period by period, as a sound device would pull it.
// The tick (1104 played as itself) stands in for a note because it starts at once.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "sim/KeySourceEvdev.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <linux/input.h>
#include <poll.h>
#include <pthread.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> x, double p) {
    std::sort(x.begin(), x.end());
    return x[std::min(x.size() - 1, static_cast<std::size_t>(p * double(x.size())))];
}

std::int64_t now() {
    return Clock::now().time_since_epoch().count();
}

void BM_KeyToFirstSampleMixed_EvdevPipe_Loopback256(benchmark::State& state) {
    auto al = audio::OpenALOutput::openLoopback();
    if (!al) {
        state.SkipWithError("OpenAL Soft without the loopback extension");
        return;
    }
    audio::setOutput(al);
    constexpr std::size_t kPeriod = 256;
    const auto period = std::chrono::nanoseconds(kPeriod * 1'000'000'000LL / audio::kSampleRate);
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> pressedAt{0}, heardAt{0};
    int keyboard[2], commands[2], stop[2];
    if (pipe(keyboard) || pipe(commands) || pipe(stop)) {
        state.SkipWithError("no pipes");
        return;
    }
    // The sound device's thread, at real-time priority where allowed.
    std::thread device([&] {
        sched_param param{};
        param.sched_priority = 20;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        auto next = Clock::now();
        while (!done.load()) {
            next += period;
            std::this_thread::sleep_until(next);
            auto block = al->render(kPeriod);
            bool sound = std::any_of(block.begin(), block.end(),
                                     [](std::int16_t v) { return std::abs(int(v)) > 64; });
            if (sound && pressedAt.load() != 0 && heardAt.load() == 0)
                heardAt.store(now());
        }
    });
    // The desktop: keys in, commands out, as its loop does.
    std::thread desktop([&] {
        sim::EvdevKeySource source;
        source.addStream(keyboard[0], "bench");
        for (;;) {
            pollfd fds[2] = {{source.fd(), POLLIN, 0}, {stop[0], POLLIN, 0}};
            poll(fds, 2, -1);
            if (fds[1].revents)
                return;
            sim::KeyBatch batch;
            source.read(batch);
            for (sim::Click click : batch.clicks) {
                std::string line = "click " + std::to_string(unsigned(click)) + " 0\n";
                (void)!write(commands[1], line.data(), line.size());
            }
        }
    });
    // The keyboard app: reads a command line and plays its click.
    std::thread app([&] {
        FILE* in = fdopen(commands[0], "r");
        char line[64];
        unsigned id = 0;
        while (std::fgets(line, sizeof line, in))
            if (std::sscanf(line, "click %u", &id) == 1) {
                AudioServicesPlaySystemSound(id);
                audio::waitForPendingPlays();
            }
        std::fclose(in);
    });
    std::mt19937 jitter(1);
    std::vector<double> latencies;
    const input_event press[] = {{{}, EV_KEY, KEY_A, 1}, {{}, EV_SYN, SYN_REPORT, 0}};
    const input_event release[] = {{{}, EV_KEY, KEY_A, 0}, {{}, EV_SYN, SYN_REPORT, 0}};
    for (auto _ : state) {
        std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(30) +
                                      std::chrono::nanoseconds(jitter() % period.count()));
        heardAt.store(0);
        const std::int64_t start = now();
        pressedAt.store(start);
        (void)!write(keyboard[1], press, sizeof press);
        while (heardAt.load() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        pressedAt.store(0);
        (void)!write(keyboard[1], release, sizeof release);
        const double seconds = double(heardAt.load() - start) / 1e9;
        latencies.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
    (void)!write(stop[1], "x", 1);
    desktop.join();
    close(commands[1]);
    app.join();
    done.store(true);
    device.join();
    for (int fd : {keyboard[1], stop[0], stop[1]})
        close(fd);
    audio::setOutput(nullptr);
    state.counters["p50_ms"] = percentile(latencies, 0.5);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["period_ms"] = std::chrono::duration<double, std::milli>(period).count();
}
BENCHMARK(BM_KeyToFirstSampleMixed_EvdevPipe_Loopback256)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
