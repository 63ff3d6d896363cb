#include "sim/Run.h"

#include "sim/Layout.h"
#include "sim/Simulator.h"
#include "sim/SoundOutput.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace sim {

namespace {

// Why `file` cannot be written (made or replaced), or nothing when it can.
std::optional<std::string> unwritable(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (fs::is_directory(file, ec))
        return "cannot write " + file.string() + ": it is a folder";
    if (!fs::is_directory(folder, ec))
        return "cannot write " + file.string() + ": no folder " + folder.string();
    if (access(folder.c_str(), W_OK) != 0 || (fs::exists(file, ec) && access(file.c_str(), W_OK)))
        return "cannot write " + file.string() + ": permission denied";
    return std::nullopt;
}

} // namespace

std::optional<std::string> unwritableOutput(const RunOptions& options) {
    for (const std::optional<std::string>& file : {options.events, options.wav, options.wavOut()})
        if (file)
            if (std::optional<std::string> problem = unwritable(*file))
                return problem;
    return std::nullopt;
}

std::optional<std::string> unopenableDevice(const RunOptions& options) {
    if (!options.device || options.out.value_or("live") != "live")
        return std::nullopt;
    SoundOptions sound;
    sound.device = options.device;
    sound.latency = options.latency.value_or(sound.latency);
    // Opened and closed again at once: the processes open it for themselves.
    if (openLiveOutput(sound))
        return std::nullopt;
    return "cannot open the sound device \"" + *options.device +
           "\"; the host's devices: tapsonata-sim --list-devices";
}

int runMain(RunOptions options) {
    auto fail = [](const std::string& text) {
        std::fprintf(stderr, "tapsonata-sim run: %s\n", text.c_str());
        return 1;
    };
    if (options.actions.empty()) {
        if (!isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "tapsonata-sim run: no actions, and no terminal to type in "
                                 "(see: tapsonata-sim run --help)\n");
            return 2;
        }
        options.actions.push_back({"interactive"});
    }
    if (std::optional<std::string> problem = unwritableOutput(options))
        return fail(*problem);
    if (!isDevice(options.root))
        return fail("no device at " + options.root + "; lay one out first: tapsonata-sim init " +
                    options.root);
    if (std::optional<std::string> problem = unopenableDevice(options))
        return fail(*problem);
    return Simulator(std::move(options)).run();
}

} // namespace sim
