// One simulated process of the device (a keyboard app, SpringBoard, a settings pane). It is a
// real process of the host, so the library's initialisers run once in it, as on the device.
//
// It loads the library through the facility's loader, then obeys commands on standard input,
// one per line, and writes what it shows or does as JSON Lines on standard output. Each
// command ends with {"event":"done"}.
#pragma once

#include <string>
#include <vector>

namespace sim {

enum class ProcessKind { Keyboard, SpringBoard, Pane };

const char* processName(ProcessKind kind);

// `tapsonata-sim process KIND --root R [--seed N] [--out live|FILE.wav|none] [--pace MS]`
int processMain(const std::vector<std::string>& args);

// Commands are plain words; text travels hex-encoded so that any character fits on a line.
std::string hexEncode(const std::string& text);
std::string hexDecode(const std::string& hex);

} // namespace sim
