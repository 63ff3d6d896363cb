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

} // namespace sim
