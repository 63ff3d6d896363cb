// The hooking facility's loader: opens a library installed under the device root, as the
// facility opens the tweak in every process it injects into.
#pragma once

#include <string>
#include <string_view>

namespace device {

inline constexpr const char* kTweakInstallPath =
    "/Library/MobileSubstrate/DynamicLibraries/Tapsonata.dylib";

// A handle on success; otherwise a null handle and an error text that names the library.
struct LoadResult {
    void* handle = nullptr;
    std::string error;
};

// dlopen(RTLD_LAZY | RTLD_GLOBAL) of the library at a device path under the root, as the
// facility opens it: a function binds on its first call, so a load pays only for what its
// initialisers call. (Data that names the platform, such as its classes' type information,
// still binds at once, so a process without the platform refuses the library at load.) Its
// initialisers run during the call, in their order, once per process: loading the same library
// again returns the same handle and runs nothing. Libraries are never unloaded.
LoadResult loadLibrary(std::string_view devicePath);
// The tweak, at kTweakInstallPath.
LoadResult loadTweak();

} // namespace device
