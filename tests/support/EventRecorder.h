// The one reader of the device's events: a line of the event log, read by field; the lines of a
// log file; and a recorder of this process's events for a test's life, without the time stamp
// "t", so that tests can compare whole lines.
#pragma once

#include "device/Events.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace support {

struct Event {
    std::string line;

    std::string name() const { return str("event"); }
    std::string process() const { return str("process"); }
    // A field's raw JSON, or a string field's text; nothing when absent.
    std::optional<std::string> field(const std::string& key) const {
        return device::jsonField(line, key);
    }
    std::string str(const std::string& key) const { return field(key).value_or(""); }
};

std::vector<Event> readEvents(const std::filesystem::path& file);
// The events of one name (and, when given, one process), in order.
std::vector<Event> only(const std::vector<Event>& events, const std::string& name,
                        const std::string& process = "");

class EventRecorder {
public:
    EventRecorder();  // becomes the process's event sink
    ~EventRecorder(); // and stops being it

    std::vector<Event> events() const;
    std::vector<Event> events(const std::string& name) const { return only(events(), name); }
    void clear();

private:
    mutable std::mutex m_lock;
    std::vector<Event> m_events;
};

} // namespace support
