#include "sim/Demo.h"

#include "sim/Layout.h"
#include "sim/Run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace sim {

namespace {

constexpr const char* kSwitchText = "In the settings pane the user picks the violin, and the "
                                    "pane ends the keyboard app so that it loads the new setting:";
constexpr const char* kUnlockText =
    "The first unlock after installing: the invitation, answered \"I'd love to!\":";

} // namespace

int demoMain(RunOptions options) {
    namespace fs = std::filesystem;
    // The device lives under the build folder, whatever the working folder is; an installed
    // simulator keeps it in the user's cache.
    const fs::path build = builtLibrary().parent_path().parent_path();
    const char* home = std::getenv("HOME");
    const char* cache = std::getenv("XDG_CACHE_HOME");
    fs::path beside = build;
    if (!fs::exists(build / "CMakeCache.txt"))
        beside = cache && *cache ? fs::path(cache) / "tapsonata"
                                 : fs::path(home ? home : "/tmp") / ".cache/tapsonata";
    const fs::path root =
        options.root.empty() ? beside / "demo-device" : fs::absolute(options.root);
    // The WAV this run writes: --out's file when it names one (no copy is kept then), else
    // --wav's, else demo.wav beside the device.
    const std::optional<std::string> outWav = options.wavOut();
    const fs::path wav = outWav        ? fs::absolute(*outWav)
                         : options.wav ? fs::absolute(*options.wav)
                                       : root.parent_path() / "demo.wav";
    // A device fresh from installation, so that the first unlock is the first; only a device
    // is ever removed, and none before the sound device asked for is known to open.
    std::optional<std::string> problem = unopenableDevice(options);
    if (!problem)
        problem = checkDeviceFolder(root, false);
    if (problem) {
        std::fprintf(stderr, "tapsonata-sim demo: %s\n", problem->c_str());
        return 1;
    }
    std::error_code ec;
    if (isDevice(root))
        fs::remove_all(root, ec);
    DeviceSetup setup;
    setup.root = root;
    setup.enabled = true;
    setup.instrument = "piano";
    setup.accounts = {"alice"};
    setup.access = "grant";
    if (std::optional<std::string> error = layOutDevice(setup)) {
        std::fprintf(stderr, "tapsonata-sim demo: %s\n", error->c_str());
        return 1;
    }
    std::printf("Tapsonata on a simulated device: enabled, piano chosen, one Twitter account.\n");
    std::fflush(stdout);
    const std::vector<std::vector<std::string>> script = {
        {"echo", "A keyboard app types a phrase; each click becomes a note:"},
        {"type", "Hello from Tapsonata"},
        {"echo", kSwitchText},
        {"pane", "instrument", "violin"},
        {"pane", "kill", "9", "keyboard"},
        {"type", "and now the violin"},
        {"echo", kUnlockText},
        {"unlock"},
        {"tap", "1"}, // I'd love to!
        {"wait"},
        {"tap", "0"}, // You're welcome <3
    };
    options.root = root.string();
    options.out = options.out.value_or("live");
    if (!outWav)
        options.wav = wav.string();
    options.pace = "180";
    options.api = "local";
    for (const std::vector<std::string>& step : script)
        options.actions.push_back(step);
    const fs::file_time_type started = fs::file_time_type::clock::now();
    int rc = runMain(std::move(options));
    // Only a file this run wrote: one left by an earlier demo is no replay of this one.
    if (rc == 0 && fs::exists(wav, ec) && fs::last_write_time(wav, ec) >= started)
        std::printf("\nListen again: aplay %s (or: play %s)\n", wav.c_str(), wav.c_str());
    return rc;
}

} // namespace sim
