// The key-click path, measured on the caller's thread with what real use has: the tweak's hook,
// the platform's own arc4random_uniform, and an OpenAL output (a loopback device, which
// mixes only when asked, so its voices are stolen as in fast typing).
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "device/Random.h"
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "substrate/Substrate.h"
#include "support/RecordingOutput.h"
#include "support/TemporaryRoot.h"
#include "tweak/KeyClickHook.h"
#include "tweak/TweakSettings.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <dlfcn.h>
#include <filesystem>
#include <linux/futex.h>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

TemporaryRoot& root() {
    static TemporaryRoot instance;
    static bool notes = (instance.installNotes(), true);
    (void)notes;
    return instance;
}

SystemSoundID pianoNote() {
    static SystemSoundID sound = [] {
        root();
        SystemSoundID id = 0;
        AudioServicesCreateSystemSoundID(
            NS::URL::fileURLWithPath("/Library/Application Support/Tapsonata/piano/do1.mp3").ptr(),
            &id);
        return id;
    }();
    return sound;
}

// A key click is one identifier, the others pass through the hook with one comparison.
void installHook() {
    static bool installed = [] {
        root();
        tweak::buildSoundTable();
        MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                       reinterpret_cast<void*>(&tweak::keyClickHook),
                       reinterpret_cast<void**>(&tweak::settings().savedPlaySystemSound));
        return true;
    }();
    (void)installed;
}

// The plays reach an OpenAL loopback output on the audio thread; a recording output where no
// OpenAL loopback exists (said in the run's context).
void realOutput() {
    static std::shared_ptr<audio::Output> output = [] {
        std::shared_ptr<audio::Output> al = audio::OpenALOutput::openLoopback();
        return al ? al : std::make_shared<support::RecordingOutput>();
    }();
    audio::setOutput(output);
    audio::waitForPendingPlays();
}

// Back to back, but never faster than the audio thread takes plays: every 64 calls the
// benchmark waits, untimed, for the queue to empty, so no call takes the path where a full
// queue drops its oldest play.
template <class Call>
void backToBack(benchmark::State& state, Call call) {
    std::size_t n = 0;
    for (auto _ : state) {
        call();
        if (++n % 64 == 0) {
            state.PauseTiming();
            audio::waitForPendingPlays();
            state.ResumeTiming();
        }
    }
    audio::waitForPendingPlays();
}

void enableTweak() {
    installHook();
    tweak::settings().enabled = true;
    tweak::settings().instrument = 4;
    for (int i = 0; i < 200; ++i) // every piano note created before timing
        AudioServicesPlaySystemSound(1104);
    audio::waitForPendingPlays();
}

// Runs before any hook exists in this process: the same call, unhooked.
void BM_OtherSound_NoHook(benchmark::State& state) {
    realOutput();
    SystemSoundID sound = pianoNote();
    backToBack(state, [&] { AudioServicesPlaySystemSound(sound); });
}
BENCHMARK(BM_OtherSound_NoHook);

void BM_OtherSound_ThroughHook(benchmark::State& state) {
    realOutput();
    SystemSoundID sound = pianoNote();
    installHook();
    tweak::settings().enabled = true;
    backToBack(state, [&] { AudioServicesPlaySystemSound(sound); });
}
BENCHMARK(BM_OtherSound_ThroughHook);

void BM_ReplacedClick_NoteKept(benchmark::State& state) {
    realOutput();
    enableTweak();
    backToBack(state, [] { AudioServicesPlaySystemSound(1104); });
}
BENCHMARK(BM_ReplacedClick_NoteKept);

// One click at a time, as a typist's come: the audio thread is asleep each time, so the call
// also wakes it. Only the call is timed.
void BM_ReplacedClick_NoteKept_AudioThreadAsleep(benchmark::State& state) {
    realOutput();
    enableTweak();
    std::vector<double> calls;
    for (auto _ : state) {
        audio::waitForPendingPlays();
        std::this_thread::sleep_for(std::chrono::milliseconds(4)); // it goes back to sleep
        auto start = std::chrono::steady_clock::now();
        AudioServicesPlaySystemSound(1104);
        auto end = std::chrono::steady_clock::now();
        calls.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        state.SetIterationTime(calls.back() / 1e6);
    }
    audio::waitForPendingPlays();
    // The time column is the mean, which a preempted call or two drags up: the median is the goal.
    std::sort(calls.begin(), calls.end());
    state.counters["p50_us"] = calls[calls.size() / 2];
    state.counters["p90_us"] = calls[calls.size() * 9 / 10];
}
BENCHMARK(BM_ReplacedClick_NoteKept_AudioThreadAsleep)->UseManualTime()->Iterations(1500);

// The floor under the asleep click on this machine: no hook, no note, no queue. A bare thread
// sleeps on a futex at the audio thread's priority and the call wakes it, as the play's
// handoff does. Timed and summed up like the click above, in the same run.
void BM_Yardstick_WakeASleepingThread(benchmark::State& state) {
    std::atomic<std::uint32_t> asleep{0};
    std::atomic<bool> stop{false};
    auto futex = [&](int op, std::uint32_t value) {
        return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&asleep),
                       op | FUTEX_PRIVATE_FLAG, value, nullptr, nullptr, 0);
    };
    std::thread sleeper([&] {
        sched_param param{};
        param.sched_priority = std::max(sched_get_priority_min(SCHED_FIFO), 10);
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param); // as the audio thread asks
        while (!stop.load()) {
            asleep.store(1);
            futex(FUTEX_WAIT, 1);
        }
    });
    std::vector<double> calls;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
        while (asleep.load() != 1)
            std::this_thread::yield();
        auto start = std::chrono::steady_clock::now();
        if (asleep.exchange(0) == 1)
            futex(FUTEX_WAKE, 1);
        auto end = std::chrono::steady_clock::now();
        calls.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        state.SetIterationTime(calls.back() / 1e6);
    }
    stop.store(true);
    asleep.store(0);
    futex(FUTEX_WAKE, 1);
    sleeper.join();
    std::sort(calls.begin(), calls.end());
    state.counters["p50_us"] = calls[calls.size() / 2];
    state.counters["p90_us"] = calls[calls.size() * 9 / 10];
}
BENCHMARK(BM_Yardstick_WakeASleepingThread)->UseManualTime()->Iterations(1500);

// Clicks from several threads at once, as fast as they come: the audio thread cannot keep
// up, so the queue drops its oldest plays (counted); what is measured is the callers' rate.
void BM_ReplacedClick_Threads(benchmark::State& state) {
    std::uint64_t dropped = 0;
    if (state.thread_index() == 0) {
        realOutput();
        enableTweak();
        dropped = audio::droppedPlays();
    }
    for (auto _ : state)
        AudioServicesPlaySystemSound(1104);
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        audio::waitForPendingPlays();
        state.counters["dropped"] = benchmark::Counter(
            static_cast<double>(audio::droppedPlays() - dropped), benchmark::Counter::kAvgThreads);
    }
}
BENCHMARK(BM_ReplacedClick_Threads)->Threads(1)->Threads(2)->Threads(4)->Threads(8)->UseRealTime();

// What the device did on every click: a new system sound from the note's file, then play it.
// The sound is disposed of so that the run does not grow without bound, which the device
// never did; that only flatters this side.
void BM_ReplacedClick_NewSoundPerClick(benchmark::State& state) {
    realOutput();
    root();
    objc::Ref<NS::URL> url =
        NS::URL::fileURLWithPath("/Library/Application Support/Tapsonata/piano/do1.mp3");
    for (auto _ : state) {
        SystemSoundID id = 0;
        AudioServicesCreateSystemSoundID(url.ptr(), &id);
        AudioServicesPlaySystemSound(id);
        AudioServicesDisposeSystemSoundID(id);
    }
    audio::waitForPendingPlays();
}
BENCHMARK(BM_ReplacedClick_NewSoundPerClick);

void BM_FirstClickOfANote_SameNoteEachTime(benchmark::State& state) {
    realOutput();
    installHook();
    tweak::settings().enabled = true;
    tweak::settings().instrument = 4;
    device::setRandomSource([](std::uint32_t) { return 3u; }); // piano/fa
    for (auto _ : state) {
        state.PauseTiming();
        tweak::forgetNoteSounds();
        state.ResumeTiming();
        AudioServicesPlaySystemSound(1104);
    }
    audio::waitForPendingPlays();
    device::setRandomSource(nullptr);
}
BENCHMARK(BM_FirstClickOfANote_SameNoteEachTime)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
