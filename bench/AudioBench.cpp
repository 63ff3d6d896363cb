// What system sounds cost their caller: creating one from a note (the whole decode), and
// playing one that exists (handing it to the audio thread); and how long a play takes from the
// call to the first sample OpenAL mixes of it.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "device/Root.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <pthread.h>
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

// Real-time scheduling for a thread that stands in for a sound device's, where allowed.
void asDeviceThread() {
    sched_param param{};
    param.sched_priority = 20;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

double percentile(std::vector<double> x, double p) {
    std::sort(x.begin(), x.end());
    return x[std::min(x.size() - 1, static_cast<std::size_t>(p * double(x.size())))];
}

// From the call to the end of the first period of 256 frames in which OpenAL mixed the sound:
// a thread renders OpenAL Soft's loopback device in real time, period by period, as a sound
// device would pull it. The sound is the keyboard tick, which starts at once. The call comes at
// a random point of a period; with state.range(0) set, two threads spin meanwhile and the keys
// come 20 a second (else one every 30 ms, the device otherwise idle).
void BM_CallToFirstSampleMixed_Loopback256(benchmark::State& state) {
    auto al = audio::OpenALOutput::openLoopback();
    if (!al) {
        state.SkipWithError("OpenAL Soft without the loopback extension");
        return;
    }
    audio::setOutput(al);
    constexpr std::size_t kPeriod = 256;
    const auto period = std::chrono::nanoseconds(kPeriod * 1'000'000'000LL / audio::kSampleRate);
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> calledAt{0}, heardAt{0};
    std::thread device([&] {
        asDeviceThread();
        auto next = std::chrono::steady_clock::now();
        while (!done.load()) {
            next += period;
            std::this_thread::sleep_until(next);
            auto block = al->render(kPeriod);
            bool sound = std::any_of(block.begin(), block.end(),
                                     [](std::int16_t v) { return std::abs(int(v)) > 64; });
            if (sound && calledAt.load() != 0 && heardAt.load() == 0)
                heardAt.store(std::chrono::steady_clock::now().time_since_epoch().count());
        }
    });
    std::vector<std::thread> busy;
    for (int i = 0; i < (state.range(0) ? 2 : 0); ++i)
        busy.emplace_back([&] {
            while (!done.load())
                benchmark::DoNotOptimize(std::rand());
        });
    const auto gap = std::chrono::milliseconds(state.range(0) ? 50 : 30);
    std::mt19937 jitter(1);
    std::vector<double> latencies;
    for (auto _ : state) {
        auto key = std::chrono::steady_clock::now() + gap +
                   std::chrono::nanoseconds(jitter() % period.count());
        std::this_thread::sleep_until(key);
        heardAt.store(0);
        const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
        calledAt.store(start);
        AudioServicesPlaySystemSound(1104);
        while (heardAt.load() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        calledAt.store(0);
        const double seconds = double(heardAt.load() - start) / 1e9;
        latencies.push_back(seconds * 1e3);
        state.SetIterationTime(seconds);
    }
    done.store(true);
    device.join();
    for (auto& t : busy)
        t.join();
    audio::setOutput(nullptr);
    state.counters["p50_ms"] = percentile(latencies, 0.5);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["period_ms"] = std::chrono::duration<double, std::milli>(period).count();
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
