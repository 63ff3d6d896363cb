#include "device/Loader.h"

#include "device/Root.h"

#include <dlfcn.h>
#include <filesystem>

namespace device {

LoadResult loadLibrary(std::string_view devicePath) {
    LoadResult result;
    std::string name(devicePath);
    std::filesystem::path file = resolve(devicePath);
    if (file.empty()) {
        result.error = root().empty()
                           ? "cannot load " + name + ": no device root is set"
                           : "cannot load " + name + ": not a path under the device root";
        return result;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        result.error = "cannot load " + name + ": " + file.string() + " is not installed";
        return result;
    }
    // dlerror() is per thread, and this clears any error left from before.
    dlerror();
    result.handle = dlopen(file.c_str(), RTLD_LAZY | RTLD_GLOBAL);
    if (!result.handle) {
        const char* why = dlerror();
        result.error = "cannot load " + name + ": " + (why ? why : "dlopen failed");
    }
    return result;
}

LoadResult loadTweak() {
    return loadLibrary(kTweakInstallPath);
}

} // namespace device
