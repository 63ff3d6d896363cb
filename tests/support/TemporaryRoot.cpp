#include "support/TemporaryRoot.h"

#include "device/Root.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

TemporaryRoot::TemporaryRoot() : m_previous(device::root()) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tapsonata-root-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary device root");
    m_root = pattern;
    device::setRoot(m_root);
}

TemporaryRoot::~TemporaryRoot() {
    device::setRoot(m_previous);
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::filesystem::path TemporaryRoot::path(std::string_view devicePath) const {
    return m_root / std::filesystem::path(devicePath).relative_path();
}

void TemporaryRoot::write(std::string_view devicePath, const std::string& bytes) const {
    std::filesystem::path file = path(devicePath);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void TemporaryRoot::installNotes() const {
    std::filesystem::path notes = path("/Library/Application Support/Tapsonata");
    std::filesystem::create_directories(notes);
    std::filesystem::copy(TAPSONATA_RESOURCES_DIR, notes, std::filesystem::copy_options::recursive);
}
