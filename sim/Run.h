// `tapsonata-sim run`: starts the simulated processes and runs the actions in order.
#pragma once

#include "sim/CommandLine.h"

#include <optional>
#include <string>

namespace sim {

int runMain(RunOptions options);

// The first of the run's output files (events, WAV) that cannot be written, and why; checked
// before any process starts, so that nothing is lost to a typo.
std::optional<std::string> unwritableOutput(const RunOptions& options);
// Why the sound device named with --device cannot be opened, or nothing when it opens or no
// live sound is asked for. Without --device a machine without sound quietly goes without.
std::optional<std::string> unopenableDevice(const RunOptions& options);

} // namespace sim
