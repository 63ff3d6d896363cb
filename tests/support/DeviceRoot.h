// A fresh device root in a temporary folder, with the notes installed, for a test's life.
#pragma once

#include <filesystem>
#include <string>

namespace support {

class DeviceRoot {
public:
    // Becomes the process's device root; `withNotes` installs the 45 notes.
    explicit DeviceRoot(bool withNotes = true);
    ~DeviceRoot(); // removes the folder
    DeviceRoot(const DeviceRoot&) = delete;
    DeviceRoot& operator=(const DeviceRoot&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The host path of a device path, e.g. "/var/mobile/Library/Preferences/x.plist".
    std::filesystem::path host(const std::string& devicePath) const;
    void write(const std::string& devicePath, const std::string& bytes) const;

private:
    std::filesystem::path m_path;
};

} // namespace support
