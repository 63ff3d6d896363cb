// dlopen of the installed library: both initialisers run, with a settings file present. Each
// iteration unloads it again; its hooks then point nowhere, so nothing here plays a sound.
#include "audiotoolbox/AudioServices.h"
#include "device/Loader.h"
#include "foundation/Collections.h"
#include "foundation/Log.h"
#include "foundation/Number.h"
#include "support/TemporaryRoot.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <filesystem>

namespace {

void BM_LoadInstalledLibrary(benchmark::State& state) {
    TemporaryRoot root;
    std::filesystem::path installed = root.path(device::kTweakInstallPath);
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::copy_file(
        std::filesystem::path(TAPSONATA_BINARY_DIR) / "lib" / "Tapsonata.dylib", installed);
    auto settings = NS::MutableDictionary::dictionary();
    settings->setObjectForKey(NS::Number::numberWithBool(true), "enabled");
    settings->setObjectForKey(NS::Number::numberWithInt(4), "instrument");
    root.write("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist",
               NS::propertyListToXML(*settings));
    // The missing-class line comes once per start-up: it counts the loads that really ran.
    static std::size_t startUps;
    startUps = 0;
    NS::setLogSink([](int, const std::string& line) {
        startUps += line.find("nil class") != std::string::npos;
    });

    std::size_t soundsBefore = audio::liveSystemSounds();
    for (auto _ : state) {
        device::LoadResult loaded = device::loadTweak();
        if (!loaded.handle) {
            state.SkipWithError(loaded.error.c_str());
            break;
        }
        state.PauseTiming();
        dlclose(loaded.handle);
        state.ResumeTiming();
    }
    // Loading decodes no note: the sounds are made on the first click of each.
    state.counters["start_ups_per_load"] =
        static_cast<double>(startUps) / static_cast<double>(state.iterations());
    state.counters["sounds_made_at_load"] =
        static_cast<double>(audio::liveSystemSounds() - soundsBefore);
    NS::setLogSink(nullptr);
}
BENCHMARK(BM_LoadInstalledLibrary)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
