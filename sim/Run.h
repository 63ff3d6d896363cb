// `tapsonata-sim run`: starts the simulated processes and runs the actions in order.
#pragma once

#include <string>
#include <vector>

namespace sim {

int runMain(const std::vector<std::string>& args);

} // namespace sim
