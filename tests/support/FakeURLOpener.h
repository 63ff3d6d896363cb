// A URL opener that answers canOpen from a set of schemes and records every question and
// every URL it was asked to open, in order.
#pragma once

#include "uikit/Application.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace support {

class FakeURLOpener : public UI::URLOpener {
public:
    // Schemes without the colon, e.g. {"tweetbot", "twitter"}.
    explicit FakeURLOpener(std::set<std::string> installedSchemes = {}, bool openSucceeds = true)
        : m_installed(std::move(installedSchemes)), m_openSucceeds(openSucceeds) {}

    bool canOpen(const std::string& url) override;
    bool open(const std::string& url) override;

    std::vector<std::string> probes() const;
    std::vector<std::string> opened() const;

private:
    mutable std::mutex m_lock;
    std::set<std::string> m_installed;
    bool m_openSucceeds;
    std::vector<std::string> m_probes;
    std::vector<std::string> m_opened;
};

// Installs a FakeURLOpener for a test's life and puts the desktop opener back afterwards.
class ScopedFakeURLOpener {
public:
    explicit ScopedFakeURLOpener(std::set<std::string> installedSchemes = {},
                                 bool openSucceeds = true);
    ~ScopedFakeURLOpener();
    ScopedFakeURLOpener(const ScopedFakeURLOpener&) = delete;
    ScopedFakeURLOpener& operator=(const ScopedFakeURLOpener&) = delete;

    FakeURLOpener& operator*() const { return *m_opener; }
    FakeURLOpener* operator->() const { return m_opener.get(); }

private:
    std::shared_ptr<FakeURLOpener> m_opener;
};

} // namespace support
