// tapsonata-sim: a simulated device that loads the tweak as the device would.
//
//   tapsonata-sim init ROOT [options]          lay out a device
//   tapsonata-sim run --root ROOT [options] [ACTION...]
//   tapsonata-sim demo [options]               the showcase that `make demo` runs
//   tapsonata-sim desktop [options]            every key pressed on this machine plays a note
//   tapsonata-sim process KIND ...             one simulated process (started by `run`)
//
// Exit status: 0 when all went well, 1 when something failed, 2 for a usage error.
#include "sim/CommandLine.h"
#include "sim/Demo.h"
#include "sim/Desktop.h"
#include "sim/DeviceProcess.h"
#include "sim/Layout.h"
#include "sim/Run.h"
#include "sim/SoundOutput.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int initMain(const sim::CommandLine& line) {
    const sim::DeviceSetup& setup = line.init;
    if (std::optional<std::string> error = sim::checkDeviceFolder(setup.root, line.force)) {
        std::fprintf(stderr, "tapsonata-sim init: %s\n", error->c_str());
        return 1;
    }
    if (std::optional<std::string> error = sim::layOutDevice(setup)) {
        std::fprintf(stderr, "tapsonata-sim init: %s\n", error->c_str());
        return 1;
    }
    for (const std::string& text : sim::describeDevice(setup))
        std::printf("%s\n", text.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A simulated process that quits early must not take the simulator down with it.
    std::signal(SIGPIPE, SIG_IGN);
    const sim::CommandLine line = sim::parseCommandLine({argv + 1, argv + argc});
    if (!line.error.empty()) {
        std::string command = "tapsonata-sim" + (line.topic.empty() ? "" : " " + line.topic);
        std::fprintf(stderr, "%s: %s (see: %s --help)\n", command.c_str(), line.error.c_str(),
                     command.c_str());
        return 2;
    }
    switch (line.command) {
    case sim::Command::Help:
        std::fputs(sim::helpText(line.topic).c_str(), stdout);
        return 0;
    case sim::Command::Version:
        std::printf("tapsonata-sim %s\n", sim::version());
        return 0;
    case sim::Command::ListDevices:
        for (const std::string& name : sim::liveDeviceNames())
            std::printf("%s\n", name.c_str());
        return 0;
    case sim::Command::Init:
        return initMain(line);
    case sim::Command::Run:
        return sim::runMain(line.run);
    case sim::Command::Demo:
        return sim::demoMain(line.run);
    case sim::Command::Desktop:
        return sim::desktopMain(line);
    case sim::Command::Process:
        return sim::processMain(line.processArgs);
    }
    return 2;
}
