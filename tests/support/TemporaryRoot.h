// A fresh, empty device root for one test: created in the host's temporary folder, set with
// device::setRoot, and removed with everything in it afterwards (the previous root is put
// back). path("/var/mobile/x") gives the host path of a device path under it.
#pragma once

#include "device/Root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

class TemporaryRoot {
public:
    TemporaryRoot() : m_previous(device::root()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tapsonata-root-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary device root");
        m_root = pattern;
        device::setRoot(m_root);
    }
    ~TemporaryRoot() {
        device::setRoot(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TemporaryRoot(const TemporaryRoot&) = delete;
    TemporaryRoot& operator=(const TemporaryRoot&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path path(std::string_view devicePath) const {
        return m_root / std::filesystem::path(devicePath).relative_path();
    }
    std::filesystem::path operator/(std::string_view devicePath) const { return path(devicePath); }
    // Installs the 45 notes where the tweak looks for them.
    void installNotes() const {
        std::filesystem::create_directories(path("/Library/Application Support/Tapsonata"));
        std::filesystem::copy(TAPSONATA_RESOURCES_DIR,
                              path("/Library/Application Support/Tapsonata"),
                              std::filesystem::copy_options::recursive);
    }
    // Writes a file at a device path, creating its folders.
    void write(std::string_view devicePath, const std::string& bytes) const {
        std::filesystem::create_directories(path(devicePath).parent_path());
        std::ofstream out(path(devicePath), std::ios::binary | std::ios::trunc);
        if (!(out << bytes))
            throw std::runtime_error("cannot write " + path(devicePath).string());
    }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_previous;
};
