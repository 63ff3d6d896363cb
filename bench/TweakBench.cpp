// The key-click path and the library's load, measured.
#include "audiotoolbox/AudioServices.h"
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

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <filesystem>
#include <memory>

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

// What is measured is the caller's side; the plays reach a recording output on the audio
// thread, which is emptied between benchmarks.
void quietOutput() {
    static auto recording = std::make_shared<support::RecordingOutput>();
    audio::setOutput(recording);
    audio::waitForPendingPlays();
    recording->clear();
}

// Runs before any hook exists in this process: the same call, unhooked.
void BM_OtherSound_NoHook(benchmark::State& state) {
    quietOutput();
    SystemSoundID sound = pianoNote();
    for (auto _ : state)
        AudioServicesPlaySystemSound(sound);
    audio::waitForPendingPlays();
}
BENCHMARK(BM_OtherSound_NoHook);

void BM_OtherSound_ThroughHook(benchmark::State& state) {
    quietOutput();
    SystemSoundID sound = pianoNote();
    installHook();
    tweak::settings().enabled = true;
    for (auto _ : state)
        AudioServicesPlaySystemSound(sound);
    audio::waitForPendingPlays();
}
BENCHMARK(BM_OtherSound_ThroughHook);

void BM_ReplacedClick_NoteKept(benchmark::State& state) {
    quietOutput();
    installHook();
    tweak::settings().enabled = true;
    tweak::settings().instrument = 4;
    device::setRandomSource(device::seededRandomSource(1));
    for (int i = 0; i < 200; ++i) // every piano note created before timing
        AudioServicesPlaySystemSound(1104);
    for (auto _ : state)
        AudioServicesPlaySystemSound(1104);
    audio::waitForPendingPlays();
    device::setRandomSource(nullptr);
}
BENCHMARK(BM_ReplacedClick_NoteKept);

// What the device did on every click: a new system sound from the note's file, then play it.
// The sound is disposed of so that the run does not grow without bound, which the device
// never did; that only flatters this side.
void BM_ReplacedClick_NewSoundPerClick(benchmark::State& state) {
    quietOutput();
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

void BM_FirstClickOfANote(benchmark::State& state) {
    quietOutput();
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
BENCHMARK(BM_FirstClickOfANote)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
