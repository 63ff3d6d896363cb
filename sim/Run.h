// `tapsonata-sim run`: starts the simulated processes and runs the actions in order.
#pragma once

#include "sim/CommandLine.h"

#include <filesystem>
#include <optional>
#include <string>

namespace sim {

int runMain(RunOptions options);

// Why `file` cannot be written (made or replaced), or nothing when it can.
std::optional<std::string> unwritable(const std::filesystem::path& file);

} // namespace sim
