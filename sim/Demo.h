// The showcase that `make demo` runs.
#pragma once

#include <string>
#include <vector>

namespace sim {

// `tapsonata-sim demo [--out live|none] [--wav FILE]`: a fresh device under build/demo-device
// (piano, one Twitter account), a phrase typed on the piano, the violin chosen in the settings
// pane, a phrase on the violin, then the first unlock, answered "I'd love to!" against the
// simulator's own stand-in for the API. Heard live where the host has a sound device, and
// always written to demo.wav.
int demoMain(const std::vector<std::string>& args);

} // namespace sim
