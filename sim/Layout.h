// Lays out a simulated device's root folder: the library at its install path, the notes,
// the settings file, the Twitter accounts and the URL schemes that have a handler.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct DeviceSetup {
    std::filesystem::path root;
    bool writeSettings = true;
    std::optional<bool> enabled = true;
    std::optional<std::string> instrument; // a name or a number, as given
    std::vector<std::string> accounts;
    std::optional<std::string> access; // "grant" or "deny"
    std::vector<std::string> installedSchemes;
};

// Where the simulator keeps what only the simulated device's surroundings know.
inline constexpr const char* kInstalledSchemesPath =
    "/var/mobile/Library/Simulator/url-schemes.txt";
inline constexpr const char* kSettingsPath =
    "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";
inline constexpr const char* kAccountsPath = "/var/mobile/Library/Accounts/Twitter.plist";
// The device's package manager: a small script at the device's /usr/bin/dpkg that runs the
// host's dpkg over the device's own package database, where the tweak's package is installed.
inline constexpr const char* kDeviceBinPath = "/usr/bin";
inline constexpr const char* kPackageIdentifier = "com.quarvo.tapsonata";
inline constexpr const char* kPackageVersion = TAPSONATA_VERSION;
inline constexpr const char* kLibraryPath =
    "Library/MobileSubstrate/DynamicLibraries/Tapsonata.dylib";

// The instrument number for a name ("piano") or a number ("4", "-1"); nothing for other text.
std::optional<int> parseInstrument(const std::string& text);
const char* instrumentName(int instrument);

// The built library and the notes this simulator installs.
std::filesystem::path builtLibrary();
std::filesystem::path notesSource();

// Whether `root` holds a device that `init` laid out: the library and the tweak's package.
bool isDevice(const std::filesystem::path& root);
// Why `init` must not lay out a device at `root`: never over `/`, and over a folder that
// holds something other than a device only when forced.
std::optional<std::string> checkDeviceFolder(const std::filesystem::path& root, bool force);
// What `init` lays out, in a few lines for a person.
std::vector<std::string> describeDevice(const DeviceSetup& setup);

// Returns an error text, or nothing on success.
std::optional<std::string> layOutDevice(const DeviceSetup& setup);

} // namespace sim
