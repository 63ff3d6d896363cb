// Interactive mode: the keyboard app in your terminal. Each key you type is a key press of
// the simulated keyboard and plays its note live. Ctrl-U unlocks (SpringBoard finishes an
// unlock); when an alert is on screen it shows its title, message and numbered buttons and
// waits for a digit; Ctrl-D (or Ctrl-C) ends the session. Enter types a line feed.
#pragma once

namespace sim {

class Simulator;

inline constexpr char kUnlockKey = 0x15;    // Ctrl-U
inline constexpr char kQuitKey = 0x04;      // Ctrl-D
inline constexpr char kInterruptKey = 0x03; // Ctrl-C

// Needs a terminal on standard input. 0 when the session ended by the quit key or end of
// input; 1 when an action failed; 2 without a terminal.
int runInteractive(Simulator& simulator);

} // namespace sim
