#include "sim/URLHandlers.h"

#include "device/Root.h"
#include "sim/Layout.h"
#include "uikit/Application.h"

#include <fstream>
#include <set>
#include <string>

namespace sim {

namespace {

class DeviceURLHandlers final : public UI::URLOpener {
public:
    DeviceURLHandlers() {
        std::ifstream in(device::resolve(kInstalledSchemesPath));
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                m_schemes.insert(line);
    }
    bool canOpen(const std::string& url) override { return m_schemes.count(scheme(url)) != 0; }
    // The simulated device has every web and mail handler; other schemes need an application.
    bool open(const std::string& url) override {
        std::string s = scheme(url);
        return s == "http" || s == "https" || s == "mailto" || m_schemes.count(s) != 0;
    }

private:
    static std::string scheme(const std::string& url) { return url.substr(0, url.find(':')); }
    std::set<std::string> m_schemes;
};

} // namespace

void installURLHandlers() {
    UI::setURLOpener(std::make_shared<DeviceURLHandlers>());
}

} // namespace sim
