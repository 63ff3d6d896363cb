#include "device/Root.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace device {

namespace {

std::mutex g_lock;
std::filesystem::path g_root;
bool g_rootSet = false;

} // namespace

void setRoot(const std::filesystem::path& root) {
    std::lock_guard guard(g_lock);
    g_root = root.empty() ? root : std::filesystem::absolute(root).lexically_normal();
    g_rootSet = true;
}

std::filesystem::path root() {
    std::lock_guard guard(g_lock);
    if (!g_rootSet) {
        const char* inherited = std::getenv(kRootVariable);
        if (inherited && *inherited)
            g_root = std::filesystem::absolute(inherited).lexically_normal();
        g_rootSet = true;
    }
    return g_root;
}

std::filesystem::path resolve(std::string_view devicePath) {
    if (devicePath.empty() || devicePath.front() != '/')
        return {};
    std::string host = root().native();
    if (host.empty())
        return {};
    // Plain text work: every process resolves the settings file while the library loads, and
    // std::filesystem's parsing costs more there than the read itself.
    if (host.back() == '/')
        host.pop_back();
    const std::size_t base = host.size();
    for (std::size_t start = 1; start <= devicePath.size();) {
        std::size_t end = std::min(devicePath.find('/', start), devicePath.size());
        std::string_view part = devicePath.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (host.size() == base) // it would leave the root
                return {};
            host.erase(host.rfind('/'));
            continue;
        }
        host += '/';
        host += part;
    }
    if (host.empty()) // the root is "/" and so is the path
        return "/";
    return host;
}

} // namespace device
