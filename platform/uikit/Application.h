// UI::Application: the application object, which asks whether a URL can be opened and opens
// it. What it asks and opens goes through a URLOpener: on a desktop host the default one
// consults the desktop's handlers; the simulator and tests install one that answers and records.
#pragma once

#include "foundation/URL.h"

#include <chrono>
#include <memory>
#include <string>

namespace UI {

class URLOpener {
public:
    virtual ~URLOpener();
    // Whether some installed application handles the URL. Never opens anything.
    virtual bool canOpen(const std::string& url) = 0;
    // Hands the URL to the system; true when it was handed over.
    virtual bool open(const std::string& url) = 0;
};

// The desktop's handlers: canOpen asks `xdg-mime query default x-scheme-handler/<scheme>`
// (an answer means yes; no answer within the timeout, or no xdg-mime, means no), and open
// starts `xdg-open <url>` without waiting for it (the child is reaped in the background).
class DesktopURLOpener final : public URLOpener {
public:
    explicit DesktopURLOpener(std::chrono::milliseconds queryTimeout = std::chrono::seconds(2))
        : m_queryTimeout(queryTimeout) {}
    bool canOpen(const std::string& url) override;
    bool open(const std::string& url) override;

private:
    std::chrono::milliseconds m_queryTimeout;
};

// Installs the process's opener; null restores the desktop one.
void setURLOpener(std::shared_ptr<URLOpener> opener);

class Application : public objc::Object {
public:
    static Application& sharedApplication();

    // Each asks the opener and reports a "can_open_url" or "open_url" event. A nil URL is
    // answered no and opens nothing.
    bool canOpenURL(const NS::URL* url);
    bool openURL(const NS::URL* url);

private:
    Application();
};

} // namespace UI
