// What a person watching the simulated device sees, printed as it happens: each key with the
// note it played, alerts drawn as boxes, URLs opened, requests sent and log lines.
#pragma once

#include "sim/DeviceProcess.h"

#include <cstdio>
#include <optional>
#include <string>

namespace sim {

class Summary {
public:
    explicit Summary(std::FILE* out = stdout) : m_out(out) {}

    void typing(const std::string& text);
    void show(const std::string& process, const std::string& line);
    void finish();
    // The process whose alert is on screen, if any.
    std::optional<ProcessKind> alertOwner() const { return m_alertOwner; }

private:
    void drawAlert(const std::string& line);
    void endKeyLine();

    std::FILE* m_out;
    std::optional<std::string> m_pendingKey;
    std::optional<ProcessKind> m_alertOwner;
    std::size_t m_typed = 0;
    std::size_t m_toType = 0;
};

// The instrument and note of a note's device path ("piano/do1"), or the path itself.
std::string noteName(const std::string& path);

} // namespace sim
