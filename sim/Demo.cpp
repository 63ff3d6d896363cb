#include "sim/Demo.h"

#include "sim/Layout.h"
#include "sim/Run.h"

#include <cstdio>
#include <filesystem>

namespace sim {

namespace {

constexpr const char* kSwitchText = "In the settings pane the user picks the violin, and the "
                                    "pane ends the keyboard app so that it loads the new setting:";
constexpr const char* kUnlockText =
    "The first unlock after installing: the invitation, answered \"I'd love to!\":";

} // namespace

int demoMain(const std::vector<std::string>& args) {
    namespace fs = std::filesystem;
    std::string out = "live";
    fs::path wav = fs::current_path() / "demo.wav";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size() &&
            (args[i + 1] == "live" || args[i + 1] == "none"))
            out = args[++i];
        else if (args[i] == "--wav" && i + 1 < args.size())
            wav = fs::absolute(args[++i]);
        else {
            std::fprintf(stderr, "usage: tapsonata-sim demo [--out live|none] [--wav FILE]\n");
            return 2;
        }
    }
    // A device fresh from installation, so that the first unlock is the first.
    fs::path root = fs::current_path() / "build" / "demo-device";
    std::error_code ec;
    fs::remove_all(root, ec);
    DeviceSetup setup;
    setup.root = root;
    setup.enabled = true;
    setup.instrument = "piano";
    setup.accounts = {"alice"};
    setup.access = "grant";
    if (std::optional<std::string> error = layOutDevice(setup)) {
        std::fprintf(stderr, "demo: %s\n", error->c_str());
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
    std::vector<std::string> run = {"--root",     root.string(), "--out", out,     "--wav",
                                    wav.string(), "--pace",      "180",   "--api", "local"};
    for (const std::vector<std::string>& step : script)
        run.insert(run.end(), step.begin(), step.end());
    int rc = runMain(run);
    if (rc == 0)
        std::printf("\nListen again: aplay %s (or: play %s)\n", wav.c_str(), wav.c_str());
    return rc;
}

} // namespace sim
