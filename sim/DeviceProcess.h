// One simulated process of the device (a keyboard app, SpringBoard, a settings pane). It is a
// real process of the host, so the library's initialisers run once in it, as on the device.
//
// It loads the library through the facility's loader, then obeys commands on standard input,
// one per line, and writes what it shows or does as JSON Lines on standard output. Each
// command ends with {"event":"done"}. Commands:
//   type HEX        one key press per character of the text, `--pace` apart
//   key HEX MS      one key press, MS after the previous one (interactive typing)
//   click ID MS     a key press that makes the click ID (1104 or 1105), MS after the previous
//                   one, with no character: the desktop's keys, which never leave its reader
//   sound ID        plays any system sound
//   unlock          SpringBoard finishes an unlock
//   tap N           taps button N of the newest alert on screen
//   wait            until the main queue and all background work are idle, within a bound
//   pane HEX...     a settings-pane action (see SettingsPane.h)
//   quit
#pragma once

#include <string>
#include <vector>

namespace sim {

enum class ProcessKind { Keyboard, SpringBoard, Pane };

const char* processName(ProcessKind kind);

// `tapsonata-sim process KIND --root R [--seed N] [--out live|FILE.wav|none] [--wav FILE]
//  [--append-wav] [--pace MS]`
int processMain(const std::vector<std::string>& args);

// Commands are plain words; text travels hex-encoded so that any character fits on a line.
std::string hexEncode(const std::string& text);
std::string hexDecode(const std::string& hex);

// Splits UTF-8 text into characters, one key press each.
std::vector<std::string> characters(const std::string& text);

} // namespace sim
