#include "sim/Demo.h"

#include "sim/Layout.h"
#include "sim/Run.h"

#include <cstdio>
#include <filesystem>

namespace sim {

int demoMain(const std::vector<std::string>& args) {
    std::filesystem::path root = std::filesystem::current_path() / "build" / "demo-device";
    std::filesystem::path wav = std::filesystem::current_path() / "demo.wav";
    DeviceSetup setup;
    setup.root = root;
    setup.enabled = true;
    setup.instrument = "piano";
    if (std::optional<std::string> error = layOutDevice(setup)) {
        std::fprintf(stderr, "demo: %s\n", error->c_str());
        return 1;
    }
    std::printf("A keyboard app on a device with Tapsonata, piano chosen, types a phrase:\n");
    std::fflush(stdout);
    int rc = runMain({"--root", root.string(), "--out", "live", "--wav", wav.string(), "--pace",
                      "180", "type", "Hello from Tapsonata"});
    std::printf("\nWritten to %s (play it with: aplay demo.wav, or play demo.wav)\n", wav.c_str());
    return rc;
}

} // namespace sim
