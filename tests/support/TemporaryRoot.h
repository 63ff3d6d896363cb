// A fresh, empty device root for one test: created in the host's temporary folder, set with
// device::setRoot, and removed with everything in it afterwards (the previous root is put
// back). path("/var/mobile/x") gives the host path of a device path under it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TemporaryRoot {
public:
    TemporaryRoot();
    ~TemporaryRoot();
    TemporaryRoot(const TemporaryRoot&) = delete;
    TemporaryRoot& operator=(const TemporaryRoot&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path path(std::string_view devicePath) const;
    std::filesystem::path operator/(std::string_view devicePath) const { return path(devicePath); }
    // Installs the 45 notes where the tweak looks for them.
    void installNotes() const;
    // Writes a file at a device path, creating its folders.
    void write(std::string_view devicePath, const std::string& bytes) const;

private:
    std::filesystem::path m_root;
    std::filesystem::path m_previous;
};
