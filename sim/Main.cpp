// tapsonata-sim: a simulated device that loads the tweak as the device would.
//
//   tapsonata-sim init ROOT [options]          lay out a device
//   tapsonata-sim run --root ROOT [options] [ACTION...]
//   tapsonata-sim demo                         the showcase that `make demo` runs
//   tapsonata-sim process KIND ...             one simulated process (started by `run`)
#include "sim/Demo.h"
#include "sim/DeviceProcess.h"
#include "sim/Layout.h"
#include "sim/Run.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* kUsage = R"(usage:
  tapsonata-sim init ROOT [--instrument NAME|N] [--enabled|--disabled] [--no-settings]
                          [--accounts NAME,...] [--access grant|deny] [--installed SCHEME,...]
  tapsonata-sim run --root ROOT [--events FILE] [--seed N] [--out live|FILE.wav|none]
                    [--wav FILE] [--pace MS] [--api URL|local] [ACTION...]
      actions: type TEXT | unlock | tap N | wait | relaunch [keyboard|springboard|pane]
               | sound ID | pane WORD [ARG...] | interactive | echo TEXT
      pane:    instrument NAME|N | enable | disable | donate [NAME] | mail ADDRESS
               | follow [HANDLE] | profile [HANDLE] | share TEXT | share-tap
               | footer [PACKAGE [HOLDER [YEAR]]] | tint COLOUR | reset | kill [SIGNAL] NAME
      With no actions and a terminal, run is interactive: keys play notes, Ctrl-U unlocks,
      digits tap an alert's buttons, Ctrl-D quits.
  tapsonata-sim demo [--out live|none] [--wav FILE]
)";

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!item.empty())
            out.push_back(item);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

int initMain(const std::vector<std::string>& args) {
    sim::DeviceSetup setup;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            return i + 1 < args.size() ? std::optional<std::string>(args[++i]) : std::nullopt;
        };
        std::optional<std::string> v;
        if (a == "--enabled")
            setup.enabled = true;
        else if (a == "--disabled")
            setup.enabled = false;
        else if (a == "--no-settings")
            setup.writeSettings = false;
        else if (a == "--instrument" && (v = value()))
            setup.instrument = *v;
        else if (a == "--accounts" && (v = value()))
            setup.accounts = split(*v);
        else if (a == "--access" && (v = value()) && (*v == "grant" || *v == "deny"))
            setup.access = *v;
        else if (a == "--installed" && (v = value()))
            setup.installedSchemes = split(*v);
        else if (a.rfind("--", 0) != 0 && setup.root.empty())
            setup.root = a;
        else {
            std::fprintf(stderr, "tapsonata-sim init: bad argument: %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (setup.root.empty()) {
        std::fprintf(stderr, "tapsonata-sim init: which folder?\n%s", kUsage);
        return 2;
    }
    if (std::optional<std::string> error = sim::layOutDevice(setup)) {
        std::fprintf(stderr, "tapsonata-sim init: %s\n", error->c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A simulated process that quits early must not take the simulator down with it.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string command = args.front();
    args.erase(args.begin());
    if (command == "init")
        return initMain(args);
    if (command == "run")
        return sim::runMain(args);
    if (command == "process")
        return sim::processMain(args);
    if (command == "demo")
        return sim::demoMain(args);
    std::fputs(kUsage, stderr);
    return 2;
}
