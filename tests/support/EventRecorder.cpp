#include "support/EventRecorder.h"

#include "device/Events.h"

namespace support {

EventRecorder::EventRecorder() {
    device::setEventSink([this](const std::string& line) {
        // The stamp comes first after the name, as ,"t":NUMBER; a quote inside a string is
        // escaped, so the first such text is it.
        std::string kept = line;
        if (std::size_t t = kept.find(",\"t\":"); t != std::string::npos)
            kept.erase(t, kept.find_first_of(",}", t + 5) - t);
        std::lock_guard guard(m_lock);
        m_lines.push_back(std::move(kept));
    });
}

EventRecorder::~EventRecorder() {
    device::setEventSink(nullptr);
}

std::vector<std::string> EventRecorder::lines() const {
    std::lock_guard guard(m_lock);
    return m_lines;
}

std::vector<std::string> EventRecorder::events(const std::string& name) const {
    std::vector<std::string> out;
    for (const std::string& line : lines())
        if (device::jsonField(line, "event") == name)
            out.push_back(line);
    return out;
}

void EventRecorder::clear() {
    std::lock_guard guard(m_lock);
    m_lines.clear();
}

} // namespace support
