#include "support/FakeURLOpener.h"

namespace support {

bool FakeURLOpener::canOpen(const std::string& url) {
    std::lock_guard guard(m_lock);
    m_probes.push_back(url);
    std::size_t colon = url.find(':');
    return colon != std::string::npos && m_installed.count(url.substr(0, colon)) != 0;
}

bool FakeURLOpener::open(const std::string& url) {
    std::lock_guard guard(m_lock);
    m_opened.push_back(url);
    return m_openSucceeds;
}

std::vector<std::string> FakeURLOpener::probes() const {
    std::lock_guard guard(m_lock);
    return m_probes;
}

std::vector<std::string> FakeURLOpener::opened() const {
    std::lock_guard guard(m_lock);
    return m_opened;
}

ScopedFakeURLOpener::ScopedFakeURLOpener(std::set<std::string> installedSchemes, bool openSucceeds)
    : m_opener(std::make_shared<FakeURLOpener>(std::move(installedSchemes), openSucceeds)) {
    UI::setURLOpener(m_opener);
}

ScopedFakeURLOpener::~ScopedFakeURLOpener() {
    UI::setURLOpener(nullptr);
}

} // namespace support
