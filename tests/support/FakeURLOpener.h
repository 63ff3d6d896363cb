// A URL opener that answers canOpen from a set of schemes and records every question and
// every URL it was asked to open, in order.
#pragma once

#include "uikit/Application.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace support {

class FakeURLOpener : public UI::URLOpener {
public:
    // Schemes without the colon, e.g. {"tweetbot", "twitter"}.
    explicit FakeURLOpener(std::set<std::string> installedSchemes = {})
        : m_installed(std::move(installedSchemes)) {}

    bool canOpen(const std::string& url) override {
        std::lock_guard guard(m_lock);
        m_probes.push_back(url);
        const std::size_t colon = url.find(':');
        return colon != std::string::npos && m_installed.count(url.substr(0, colon)) != 0;
    }
    bool open(const std::string& url) override {
        std::lock_guard guard(m_lock);
        m_opened.push_back(url);
        return true;
    }
    std::vector<std::string> probes() const {
        std::lock_guard guard(m_lock);
        return m_probes;
    }
    std::vector<std::string> opened() const {
        std::lock_guard guard(m_lock);
        return m_opened;
    }

private:
    mutable std::mutex m_lock;
    std::set<std::string> m_installed;
    std::vector<std::string> m_probes;
    std::vector<std::string> m_opened;
};

// Installs a FakeURLOpener for a test's life and puts the desktop opener back afterwards.
class ScopedFakeURLOpener {
public:
    explicit ScopedFakeURLOpener(std::set<std::string> installedSchemes = {})
        : m_opener(std::make_shared<FakeURLOpener>(std::move(installedSchemes))) {
        UI::setURLOpener(m_opener);
    }
    ~ScopedFakeURLOpener() { UI::setURLOpener(nullptr); }
    ScopedFakeURLOpener(const ScopedFakeURLOpener&) = delete;
    ScopedFakeURLOpener& operator=(const ScopedFakeURLOpener&) = delete;

    FakeURLOpener* operator->() const { return m_opener.get(); }

private:
    std::shared_ptr<FakeURLOpener> m_opener;
};

} // namespace support
