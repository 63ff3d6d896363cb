// The device root: the host folder that stands for the simulated device's "/".
//
// The system's code uses the device's literal absolute paths. Every file access of the
// platform maps them under the root, and nothing is ever written outside it. The root is
// set by the host (the simulator's --root, a test's temporary folder), or inherited through
// the environment variable TAPSONATA_DEVICE_ROOT by a process the host started.
#pragma once

#include <filesystem>
#include <string_view>

namespace device {

inline constexpr const char* kRootVariable = "TAPSONATA_DEVICE_ROOT";

void setRoot(const std::filesystem::path& root);
// The root, or an empty path when none is set.
std::filesystem::path root();

// The host path of an absolute device path. Empty when no root is set, when the path is not
// absolute, or when it would leave the root ("..").
std::filesystem::path resolve(std::string_view devicePath);

} // namespace device
