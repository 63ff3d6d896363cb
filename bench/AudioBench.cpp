// What system sounds cost their caller: creating one from a note (the whole decode), and
// playing one that exists (handing it to the audio thread); and how long a play takes from the
// call to the first sample OpenAL mixes of it.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "bench/PacedLoopback.h"
#include "device/Root.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kNotes = "/Library/Application Support/Tapsonata";

// A device root with the 45 notes, for the whole run.
class NotesRoot {
public:
    NotesRoot() {
        std::string pattern = (fs::temp_directory_path() / "tapsonata-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        device::setRoot(m_path);
        fs::path notes = device::resolve(kNotes);
        fs::create_directories(notes);
        fs::copy(TAPSONATA_RESOURCES_DIR, notes, fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(notes))
            if (entry.path().extension() == ".mp3")
                m_devicePaths.push_back(kNotes + "/" + fs::relative(entry.path(), notes).string());
    }
    ~NotesRoot() {
        device::setRoot({});
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const std::vector<std::string>& notes() const { return m_devicePaths; }

private:
    fs::path m_path;
    std::vector<std::string> m_devicePaths;
};

NotesRoot& root() {
    static NotesRoot r;
    return r;
}

// One system sound per call, from each of the 45 notes in turn, decoding included; disposed of
// again so that the registry stays small.
void BM_CreateSystemSoundFromNote(benchmark::State& state) {
    std::vector<objc::Ref<NS::URL>> urls;
    for (const auto& path : root().notes())
        urls.push_back(NS::URL::fileURLWithPath(path));
    std::size_t next = 0;
    for (auto _ : state) {
        SystemSoundID id = 0;
        OSStatus status = AudioServicesCreateSystemSoundID(urls[next].ptr(), &id);
        if (status != kAudioServicesNoError) {
            state.SkipWithError("a note did not decode");
            break;
        }
        AudioServicesDisposeSystemSoundID(id);
        next = (next + 1) % urls.size();
    }
    state.counters["notes"] = static_cast<double>(urls.size());
}
BENCHMARK(BM_CreateSystemSoundFromNote)->Unit(benchmark::kMillisecond);

// From the call to the end of the first period of 256 frames in which OpenAL mixed the sound:
// a thread renders OpenAL Soft's loopback device in real time, period by period, as a sound
// device would pull it. The sound is the keyboard tick, which starts at once. The call comes at
// a random point of a period; with state.range(0) set, two threads spin meanwhile and the keys
// come 20 a second (else one every 30 ms, the device otherwise idle).
void BM_CallToFirstSampleMixed_Loopback256(benchmark::State& state) {
    PacedLoopback device;
    if (!device.ok()) {
        state.SkipWithError("OpenAL Soft without the loopback extension");
        return;
    }
    std::atomic<bool> done{false};
    std::vector<std::thread> busy;
    busy.reserve(2);
    for (int i = 0; i < (state.range(0) ? 2 : 0); ++i)
        busy.emplace_back([&] {
            while (!done.load())
                benchmark::DoNotOptimize(std::rand());
        });
    const auto gap = std::chrono::milliseconds(state.range(0) ? 50 : 30);
    std::mt19937 jitter(1);
    std::vector<double> latencies;
    for (auto _ : state) {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + gap +
                                      std::chrono::nanoseconds(jitter() % device.period.count()));
        const double seconds = device.secondsUntilHeard([] { AudioServicesPlaySystemSound(1104); });
        latencies.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
    done.store(true);
    for (auto& t : busy)
        t.join();
    state.counters["p50_ms"] = PacedLoopback::percentile(latencies, 0.5);
    state.counters["p99_ms"] = PacedLoopback::percentile(latencies, 0.99);
    state.counters["period_ms"] = std::chrono::duration<double, std::milli>(device.period).count();
}
BENCHMARK(BM_CallToFirstSampleMixed_Loopback256)
    ->ArgName("typing20PerSecondTwoBusyThreads")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
