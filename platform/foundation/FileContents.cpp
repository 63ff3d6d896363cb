#include "foundation/FileContents.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace NS {

FileContents readFileContents(const std::filesystem::path& path, std::string& bytes, int& err) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return err == ENOENT ? FileContents::Missing : FileContents::Unreadable;
    }
    FileContents result = FileContents::Read;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            err = errno;
            result = FileContents::Unreadable;
            break;
        }
    }
    ::close(fd);
    return result;
}

} // namespace NS
