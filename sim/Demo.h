// The showcase that `make demo` runs.
#pragma once

#include "sim/CommandLine.h"

namespace sim {

// `tapsonata-sim demo`: a fresh device (at --root, else build/demo-device beside the
// simulator; piano, one Twitter account), a phrase typed on the piano, the violin chosen in
// the settings pane, a phrase on the violin, then the first unlock, answered "I'd love to!"
// against the simulator's own stand-in for the API. Heard live where the host has a sound
// device, and always written to a WAV (demo.wav beside the device unless --wav says).
int demoMain(RunOptions options);

} // namespace sim
