// Loading the installed library. In a process that has loaded it before, and, as the device
// does, in a fresh process each time, beside an empty shared library loaded the same way.
#include "audiotoolbox/AudioServices.h"
#include "device/Loader.h"
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/Log.h"
#include "foundation/Number.h"
#include "support/TemporaryRoot.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
const char* kEmptyInstallPath = "/Library/MobileSubstrate/DynamicLibraries/Empty.dylib";

// A root with both libraries installed and a settings file that enables the tweak.
void installBoth(const TemporaryRoot& root) {
    const fs::path lib = fs::path(TAPSONATA_BINARY_DIR) / "lib";
    fs::create_directories(root.path(device::kTweakInstallPath).parent_path());
    fs::copy_file(lib / "Tapsonata.dylib", root.path(device::kTweakInstallPath));
    fs::copy_file(lib / "bench_empty.so", root.path(kEmptyInstallPath));
    auto settings = NS::MutableDictionary::dictionary();
    settings->setObjectForKey(NS::Number::numberWithBool(true), "enabled");
    settings->setObjectForKey(NS::Number::numberWithInt(4), "instrument");
    root.write("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist",
               NS::propertyListToXML(*settings));
}

void BM_LoadInstalledLibrary_Reloaded(benchmark::State& state) {
    TemporaryRoot root;
    installBoth(root);
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
BENCHMARK(BM_LoadInstalledLibrary_Reloaded)->Unit(benchmark::kMicrosecond);

// Runs this program again to load one library once and report the nanoseconds it took; -1
// when it failed.
double loadInFreshProcess(const fs::path& root, const char* devicePath) {
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string self = fs::read_symlink("/proc/self/exe");
    std::string rootText = root.string();
    char* argv[] = {self.data(), const_cast<char*>("--load-once"), rootText.data(),
                    const_cast<char*>(devicePath), nullptr};
    pid_t child = 0;
    int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char text[64] = {};
    ssize_t got = spawned == 0 ? read(out[0], text, sizeof text - 1) : -1;
    close(out[0]);
    int status = 0;
    if (spawned == 0)
        waitpid(child, &status, 0);
    return got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::atof(text) : -1;
}

double median(std::vector<double> x) {
    std::nth_element(x.begin(), x.begin() + x.size() / 2, x.end());
    return x[x.size() / 2];
}

// Each iteration: the library and the empty one, each in a fresh process, in turn; the time
// is the library's. Counters: both medians and their ratio, from the same run.
void BM_LoadInFreshProcess_VersusEmptyLibrary(benchmark::State& state) {
    TemporaryRoot root;
    installBoth(root);
    std::vector<double> tweak, empty;
    for (auto _ : state) {
        double t = loadInFreshProcess(root.root(), device::kTweakInstallPath);
        double e = loadInFreshProcess(root.root(), kEmptyInstallPath);
        if (t < 0 || e < 0) {
            state.SkipWithError("a fresh process could not load a library");
            return;
        }
        tweak.push_back(t);
        empty.push_back(e);
        state.SetIterationTime(t / 1e9);
    }
    state.counters["tweak_us"] = median(tweak) / 1e3;
    state.counters["empty_us"] = median(empty) / 1e3;
    state.counters["ratio"] = median(tweak) / median(empty);
}
BENCHMARK(BM_LoadInFreshProcess_VersusEmptyLibrary)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--load-once") == 0) {
        device::setRoot(argv[2]);
        auto start = std::chrono::steady_clock::now();
        device::LoadResult loaded = device::loadLibrary(argv[3]);
        auto end = std::chrono::steady_clock::now();
        if (!loaded.handle)
            return 1;
        std::printf("%lld\n", static_cast<long long>((end - start).count()));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
