// The device's killall, carried out by the simulator on its simulated processes. The pane
// asks for it through QVKillProcess (see DeviceLauncher.h); real signals go to the matching
// simulated processes, never to any other process of the host.
#pragma once

#include "sim/DeviceProcess.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct KillRequest {
    std::optional<int> signal;       // none: killall would refuse the option
    std::optional<std::string> name; // none: nothing to match
};

// From killall's argument vector: "killall", "-SIGNAL", then the process name.
KillRequest parseKillall(const std::vector<std::string>& arguments);
// A signal's number from its text as killall takes it: "9", "KILL", "SIGKILL" or "kill".
std::optional<int> signalNumber(std::string_view text);
// Signals the simulator will not send: those that stop a process rather than end it, which
// would leave a simulated process hanging.
bool stopsProcess(int signal);
// Whether a signal ends a process that has not asked to handle it.
bool endsProcess(int signal);
// The simulated process a name stands for: its own name, or the device's ("SpringBoard",
// "Preferences"), in any case.
std::optional<ProcessKind> processNamed(std::string_view name);

} // namespace sim
