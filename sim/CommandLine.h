// The command line of `tapsonata-sim`: its commands, their options and the run's actions.
// Options may come before, between or after the actions; an action's operands are taken
// first, so `type --help` types "--help".
//
// Actions of `run`:
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

#include "sim/Layout.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

using Action = std::vector<std::string>; // the verb, then its operands

enum class Verbosity { Quiet, Normal, Verbose };

struct RunOptions {
    std::string root;
    std::optional<std::string> events;
    std::optional<std::string> seed;
    std::optional<std::string> out; // live unless given
    std::optional<std::string> wav;
    std::string pace = "150";
    std::optional<std::string> api; // a base URL, or "local" for the simulator's own stand-in
    int volume = 100;               // 0 to 100
    bool mute = false;
    std::optional<std::string> device;
    std::optional<std::string> latency; // "low" or "safe"
    Verbosity verbosity = Verbosity::Normal;
    std::vector<Action> actions;

    // --out's file, when it names one rather than "live" or "none".
    std::optional<std::string> wavOut() const {
        return out && *out != "live" && *out != "none" ? out : std::nullopt;
    }
};

// `desktop`: the machine's real keyboards drive the keyboard app. Its sound and log options
// are run's (in `run`); `--pace` and `--api` are not among them.
struct DesktopOptions {
    std::optional<std::string> instrument; // chosen in the settings pane before it starts
    std::optional<std::string> input;      // "evdev" or "x11"; chosen by itself when absent
};

enum class Command { Help, Version, ListDevices, Init, Run, Demo, Desktop, Process };

struct CommandLine {
    Command command = Command::Help;
    std::string topic; // the command a Help or an error is about: "", "init", "run", ...
    std::string error; // a usage error, one line; empty when the line parsed
    DeviceSetup init;
    bool force = false; // init over a folder that holds something else
    RunOptions run;     // run's options, and demo's and desktop's
    DesktopOptions desktop;
    std::vector<std::string> processArgs;
};

// Never throws; a bad line comes back with `error` set.
CommandLine parseCommandLine(const std::vector<std::string>& args);
// The help of a command ("" for the whole program).
std::string helpText(const std::string& topic);
const char* version();

} // namespace sim
