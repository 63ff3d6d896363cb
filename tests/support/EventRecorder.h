// The one reader of the device's events: a line of the event log, read by field; the lines of a
// log file; and a recorder of this process's events for a test's life. Both keep the lines
// without the time stamp "t", so that tests can compare whole lines.
#pragma once

#include "device/Events.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace support {

struct Event {
    std::string line;

    std::string name() const { return str("event"); }
    std::string process() const { return str("process"); }
    // A field's raw JSON, or a string field's text; empty when absent.
    std::string str(const std::string& key) const {
        return device::jsonField(line, key).value_or("");
    }
};

// The stamp comes first after the name, as ,"t":NUMBER; a quote inside a string is escaped, so
// the first such text is it.
inline Event withoutStamp(std::string line) {
    if (std::size_t t = line.find(",\"t\":"); t != std::string::npos)
        line.erase(t, line.find_first_of(",}", t + 5) - t);
    return {std::move(line)};
}

inline std::vector<Event> readEvents(const std::filesystem::path& file) {
    std::vector<Event> events;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            events.push_back(withoutStamp(line));
    return events;
}

// The events of one name (and, when given, one process), in order.
inline std::vector<Event> only(const std::vector<Event>& events, const std::string& name,
                               const std::string& process = "") {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.name() == name && (process.empty() || e.process() == process))
            out.push_back(e);
    return out;
}

// One field of each event, in order.
inline std::vector<std::string> values(const std::vector<Event>& events, const std::string& key) {
    std::vector<std::string> out;
    for (const Event& e : events)
        out.push_back(e.str(key));
    return out;
}

class EventRecorder {
public:
    EventRecorder() { // becomes the process's event sink
        device::setEventSink([this](const std::string& line) {
            Event kept = withoutStamp(line);
            std::lock_guard guard(m_lock);
            m_events.push_back(std::move(kept));
        });
    }
    ~EventRecorder() { device::setEventSink(nullptr); } // and stops being it
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    std::vector<Event> events() const {
        std::lock_guard guard(m_lock);
        return m_events;
    }
    std::vector<Event> events(const std::string& name) const { return only(events(), name); }
    void clear() {
        std::lock_guard guard(m_lock);
        m_events.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<Event> m_events;
};

} // namespace support
