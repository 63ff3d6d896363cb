#include "support/DeviceRoot.h"

#include "device/Root.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace support {

DeviceRoot::DeviceRoot(bool withNotes) {
    std::string pattern = (fs::temp_directory_path() / "tapsonata-root-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    if (withNotes) {
        fs::path notes = host("/Library/Application Support/Tapsonata");
        fs::create_directories(notes);
        fs::copy(TAPSONATA_RESOURCES_DIR, notes, fs::copy_options::recursive);
    }
    device::setRoot(m_path);
}

DeviceRoot::~DeviceRoot() {
    device::setRoot({});
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

fs::path DeviceRoot::host(const std::string& devicePath) const {
    return m_path / fs::path(devicePath).relative_path();
}

void DeviceRoot::write(const std::string& devicePath, const std::string& bytes) const {
    fs::path file = host(devicePath);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace support
