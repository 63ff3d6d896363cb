#include "device/Root.h"

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
    std::filesystem::path base = root();
    if (base.empty())
        return {};
    std::filesystem::path relative =
        std::filesystem::path(devicePath).relative_path().lexically_normal();
    for (const auto& part : relative)
        if (part == "..")
            return {};
    return base / relative;
}

} // namespace device
