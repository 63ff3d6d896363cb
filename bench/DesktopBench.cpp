// From a key pressed on a real keyboard to the first sample mixed, along the desktop mode's
// path: the kernel's `input_event`s (written to a pipe, which stands in for /dev/input/event*)
// read by the desktop's evdev reader, the click sent as the keyboard app's command over a pipe
// to a thread that stands in for the keyboard process, and played there. OpenAL Soft's
// loopback device is rendered in real time, period by period, as a sound device would pull it.
// The tick (1104 played as itself) stands in for a note because it starts at once.
#include "audiotoolbox/AudioServices.h"
#include "bench/PacedLoopback.h"
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

void BM_KeyToFirstSampleMixed_EvdevPipe_Loopback256(benchmark::State& state) {
    PacedLoopback device;
    if (!device.ok()) {
        state.SkipWithError("OpenAL Soft without the loopback extension");
        return;
    }
    int keyboard[2], commands[2], stop[2];
    if (pipe(keyboard) || pipe(commands) || pipe(stop)) {
        state.SkipWithError("no pipes");
        return;
    }
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
        std::this_thread::sleep_until(std::chrono::steady_clock::now() +
                                      std::chrono::milliseconds(30) +
                                      std::chrono::nanoseconds(jitter() % device.period.count()));
        const double seconds =
            device.secondsUntilHeard([&] { (void)!write(keyboard[1], press, sizeof press); });
        (void)!write(keyboard[1], release, sizeof release);
        latencies.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
    (void)!write(stop[1], "x", 1);
    desktop.join();
    close(commands[1]);
    app.join();
    for (int fd : {keyboard[1], stop[0], stop[1]})
        close(fd);
    state.counters["p50_ms"] = PacedLoopback::percentile(latencies, 0.5);
    state.counters["p99_ms"] = PacedLoopback::percentile(latencies, 0.99);
    state.counters["period_ms"] = std::chrono::duration<double, std::milli>(device.period).count();
}
BENCHMARK(BM_KeyToFirstSampleMixed_EvdevPipe_Loopback256)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
