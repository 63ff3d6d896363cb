#include "support/EventRecorder.h"

#include <fstream>

namespace support {

std::vector<Event> readEvents(const std::filesystem::path& file) {
    std::vector<Event> events;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            events.push_back({line});
    return events;
}

std::vector<Event> only(const std::vector<Event>& events, const std::string& name,
                        const std::string& process) {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.name() == name && (process.empty() || e.process() == process))
            out.push_back(e);
    return out;
}

EventRecorder::EventRecorder() {
    device::setEventSink([this](const std::string& line) {
        // The stamp comes first after the name, as ,"t":NUMBER; a quote inside a string is
        // escaped, so the first such text is it.
        std::string kept = line;
        if (std::size_t t = kept.find(",\"t\":"); t != std::string::npos)
            kept.erase(t, kept.find_first_of(",}", t + 5) - t);
        std::lock_guard guard(m_lock);
        m_events.push_back({std::move(kept)});
    });
}

EventRecorder::~EventRecorder() {
    device::setEventSink(nullptr);
}

std::vector<Event> EventRecorder::events() const {
    std::lock_guard guard(m_lock);
    return m_events;
}

void EventRecorder::clear() {
    std::lock_guard guard(m_lock);
    m_events.clear();
}

} // namespace support
