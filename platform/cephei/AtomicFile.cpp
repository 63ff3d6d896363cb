#include "cephei/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace HB {

namespace {

std::string message(int err) {
    return std::error_code(err, std::generic_category()).message();
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the file is in place
// by then either way, so this is best effort.
void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string& error) {
    std::filesystem::path folder = path.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }

    std::string name = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> temp(name.begin(), name.end());
    temp.push_back('\0');
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        error = "cannot create a temporary file in " + folder.string() + ": " + message(err);
        return false;
    }
    // Takes a literal, so that errno is read before anything else can change it.
    auto fail = [&](const char* what) {
        int err = errno;
        error = std::string(what) + " " + temp.data() + ": " + message(err);
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.data());
        return false;
    };
    if (::fchmod(fd, 0644) != 0)
        return fail("cannot set the mode of");
    if (!writeAll(fd, bytes))
        return fail("cannot write");
    if (::fsync(fd) != 0)
        return fail("cannot flush");
    int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        return fail("cannot close");
    if (::rename(temp.data(), path.c_str()) != 0)
        return fail("cannot rename into place");
    syncFolder(folder);
    return true;
}

} // namespace HB
