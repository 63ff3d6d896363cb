// `tapsonata-sim desktop`: the machine's real keyboards drive the simulated keyboard app.
// Each key press anywhere becomes the app's click (see KeySource.h) and the tweak turns it
// into a note, as on the phone. What was typed never leaves the key reader: the app is told
// only the click, so no key reaches a pipe, the event log or the screen.
//
// The keyboard app starts again (and so reads the settings again, as on the device) when the
// settings file changes and on SIGHUP. Ctrl-C (or Ctrl-D) on the terminal, SIGINT and SIGTERM
// end the session: every process quits, and the terminal is put back as it was.
#pragma once

#include "sim/CommandLine.h"

#include <filesystem>

namespace sim {

int desktopMain(const CommandLine& line);

// Where the desktop keeps its device when no --root is given.
std::filesystem::path defaultDesktopRoot();

} // namespace sim
