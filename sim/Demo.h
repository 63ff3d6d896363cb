#pragma once

#include <string>
#include <vector>

namespace sim {

// The showcase: a device with the piano chosen, a phrase typed at a human pace, heard live
// where the host has a sound device and always written to demo.wav.
int demoMain(const std::vector<std::string>& args);

} // namespace sim
