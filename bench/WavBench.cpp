// Rendering a long typing session into a WAV file: each key a note of the piano, 150 ms apart,
// placed and mixed as the simulator's keyboard app does in virtual time, the file brought up
// to date every 16 keys (as interactive typing does) and at the end.
#include "audiotoolbox/Mp3Decoder.h"
#include "audiotoolbox/WavOutput.h"
#include "support/TemporaryRoot.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

using namespace std::chrono_literals;

std::vector<std::shared_ptr<const audio::Sound>> pianoNotes() {
    std::vector<std::shared_ptr<const audio::Sound>> notes;
    for (const char* name : {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"}) {
        auto sound = std::make_shared<audio::Sound>();
        std::filesystem::path file =
            std::filesystem::path(TAPSONATA_RESOURCES_DIR) / "piano" / (std::string(name) + ".mp3");
        if (audio::decodeMp3(file, sound->samples) == audio::DecodeResult::ok)
            notes.push_back(std::move(sound));
    }
    return notes;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Arg: the keys typed. The memory counter is the growth of the peak resident set over the
// whole run; it stays the same from 2,000 keys to 20,000 when memory is flat.
void BM_WavRenderingOfATypingSession(benchmark::State& state) {
    const auto notes = pianoNotes();
    if (notes.empty()) {
        state.SkipWithError("the piano notes did not decode");
        return;
    }
    const auto keys = static_cast<std::size_t>(state.range(0));
    constexpr auto pace = 150ms;
    TemporaryRoot folder;
    const long peakBefore = peakKilobytes();
    for (auto _ : state) {
        audio::WavOutput wav(folder.path("/session.wav"), 0ns);
        for (std::size_t i = 0; i < keys; ++i) {
            wav.play({notes[i % notes.size()], pace * static_cast<long>(i)});
            if (i % 16 == 15)
                wav.write();
        }
        if (!wav.write())
            state.SkipWithError("the WAV could not be written");
    }
    const double soundSeconds = std::chrono::duration<double>(pace * keys).count();
    state.counters["x_real_time"] = benchmark::Counter(
        soundSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_growth_MB"] = static_cast<double>(peakKilobytes() - peakBefore) / 1024;
}
BENCHMARK(BM_WavRenderingOfATypingSession)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
