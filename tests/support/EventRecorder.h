// Records the device's events (what the stand-ins show or do) for a test's life, without the
// time stamp "t", so that tests can compare whole lines.
#pragma once

#include "device/Events.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace support {

class EventRecorder {
public:
    EventRecorder();  // becomes the process's event sink
    ~EventRecorder(); // and stops being it

    std::vector<std::string> lines() const;
    // The lines of one event kind, e.g. "sound".
    std::vector<std::string> events(const std::string& name) const;
    void clear();

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};

} // namespace support
