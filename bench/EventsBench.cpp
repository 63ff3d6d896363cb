// What an event costs the process that reports it (the library reports from every process),
// and what reading a field of a line costs the simulator.
#include "device/Events.h"

#include <benchmark/benchmark.h>

namespace {

void BM_EmitWithoutSink(benchmark::State& state) {
    device::setEventSink(nullptr);
    for (auto _ : state)
        device::emit("sound", {{"id", 4097}, {"file", "/Library/Application Support/x.mp3"}});
}
BENCHMARK(BM_EmitWithoutSink);

void BM_EmitStampedToASink(benchmark::State& state) {
    std::size_t bytes = 0;
    device::setEventSink([&](const std::string& line) { bytes += line.size(); });
    for (auto _ : state)
        device::emit("sound", {{"id", 4097}, {"file", "/Library/Application Support/x.mp3"}});
    device::setEventSink(nullptr);
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_EmitStampedToASink);

void BM_ReadTwoFieldsOfALine(benchmark::State& state) {
    std::string line = device::eventLine(
        "alert", {{"title", "Tapsonata"}, {"buttons", std::vector<std::string>{"No", "Yes"}}});
    const std::size_t title = line.find("Tapsonata");
    for (auto _ : state) {
        benchmark::DoNotOptimize(device::jsonField(line, "event"));
        benchmark::DoNotOptimize(device::jsonStrings(line, "buttons"));
        line[title] ^= 0x20; // T or t: a new line each time, so that no read is kept
    }
}
BENCHMARK(BM_ReadTwoFieldsOfALine);

} // namespace

BENCHMARK_MAIN();
