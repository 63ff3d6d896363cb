#include "foundation/Pipe.h"

#include "objc/Runtime.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace NS {

FileHandle::FileHandle(int fd) : m_fd(fd < 0 ? -1 : fd) {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("NSFileHandle", objc::NSObjectClass());
    setIsa(cls);
}

FileHandle::~FileHandle() {
    closeFile();
}

objc::Ref<FileHandle> FileHandle::initWithFileDescriptor(int fd) {
    return objc::adopt(new FileHandle(fd));
}

objc::Ref<Data> FileHandle::readDataToEndOfFile() {
    std::string bytes;
    if (m_fd >= 0) {
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                bytes.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                break;
        }
    }
    return Data::dataWithBytes(std::move(bytes));
}

void FileHandle::closeFile() {
    if (m_fd >= 0)
        ::close(m_fd); // not retried on EINTR: on Linux the descriptor is gone either way
    m_fd = -1;
}

Pipe::Pipe(objc::Ref<FileHandle> reading, objc::Ref<FileHandle> writing)
    : m_reading(std::move(reading)), m_writing(std::move(writing)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSPipe", objc::NSObjectClass());
    setIsa(cls);
}

objc::Ref<Pipe> Pipe::pipe() {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0)
        fds[0] = fds[1] = -1;
    return objc::adopt(new Pipe(FileHandle::initWithFileDescriptor(fds[0]),
                                FileHandle::initWithFileDescriptor(fds[1])));
}

} // namespace NS
