// CFLog: one line to standard error and to syslog, with syslog's levels.
// Tests and the simulator can capture the lines.
#pragma once

#include "foundation/String.h"

#include <functional>

// Levels as in syslog: 3 is an error, 4 a warning, 5 a notice, 6 information, 7 debugging.
// The format takes the conversions of NS::String::stringWithFormat.
void CFLogv(int level, std::string_view format, std::initializer_list<NS::FormatArg> args);
template <typename... Args>
void CFLog(int level, std::string_view format, const Args&... args) {
    CFLogv(level, format, {NS::FormatArg(args)...});
}

namespace NS {

// Receives every logged line. While one is set, lines still go to syslog but not to stderr.
using LogSink = std::function<void(int level, const std::string& text)>;
void setLogSink(LogSink sink);

// A line for the system log alone: the platform's own notes about the host (no event, no
// standard error, no sink), which the library's log must not carry.
void logToSystem(int level, const std::string& line);

} // namespace NS
