// How the simulated device starts programs. The device's killall is the simulator itself: a
// pane that calls it (QVKillProcess) must end the device's simulated processes, never the
// host's, so the request is reported as a "spawn" event and the simulator carries it out.
// Anything else (the footer's shell and dpkg) really runs, with standard input and error on
// /dev/null, so it can neither eat the process's commands nor write over its report.
#pragma once

namespace sim {

inline constexpr const char* kKillallPath = "/usr/bin/killall";

void installDeviceLauncher();

} // namespace sim
