#include "sim/Run.h"

#include "sim/RunOptions.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <unistd.h>

namespace sim {

int runMain(const std::vector<std::string>& args) {
    std::string error;
    std::optional<RunOptions> options = parseRunOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "tapsonata-sim run: %s\n", error.c_str());
        return 2;
    }
    if (options->actions.empty()) {
        if (!isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "tapsonata-sim run: no actions, and no terminal to type in\n");
            return 2;
        }
        options->actions.push_back({"interactive"});
    }
    return Simulator(std::move(*options)).run();
}

} // namespace sim
