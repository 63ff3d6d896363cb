// The command line of `tapsonata-sim run`: its options and its actions, in order.
//
//   run --root ROOT [--events FILE] [--seed N] [--out live|FILE.wav|none] [--wav FILE]
//       [--pace MS] [--api URL|local] [ACTION...]
//
// Actions:
//   type TEXT              the keyboard app types TEXT, one click per character
//   unlock                 SpringBoard finishes an unlock
//   tap N                  taps button N of the alert on screen
//   wait                   until every process is idle, within a bound
//   relaunch [PROCESS]     a new SpringBoard (or keyboard, or pane) process
//   sound ID               the keyboard app plays any system sound
//   pane WORD [ARG...]     a settings-pane action (see SettingsPane.h)
//   interactive            keys typed in the terminal play live (see Interactive.h)
//   echo TEXT              prints TEXT in the summary (for scripts and the demo)
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim {

using Action = std::vector<std::string>; // the verb, then its operands

struct RunOptions {
    std::string root;
    std::optional<std::string> events;
    std::optional<std::string> seed;
    std::optional<std::string> out; // live unless given
    std::optional<std::string> wav;
    std::string pace = "150";
    std::optional<std::string> api; // a base URL, or "local" for the simulator's own stand-in
    std::vector<Action> actions;
};

// The options, or nothing with `error` set.
std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& args, std::string& error);

} // namespace sim
