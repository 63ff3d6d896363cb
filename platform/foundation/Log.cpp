#include "foundation/Log.h"

#include "device/Events.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

namespace NS {

namespace {
std::mutex g_lock;
LogSink g_sink;

constexpr const char* kSyslogSocket = "/dev/log";

int connectToSyslog() {
    // Where no log daemon listens, one stat spares every process a socket made only to fail.
    struct stat info {};
    if (stat(kSyslogSocket, &info) != 0 || !S_ISSOCK(info.st_mode))
        return -1;
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", kSyslogSocket);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// syslog(3) stamps each line with the local time, so the one line the library logs at load
// would read /etc/localtime in every process. The daemon stamps a line sent without a time
// itself, so none is sent.
void sendToSyslog(int level, const char* line) {
    static int fd = -1; // under g_lock
    if (fd < 0 && (fd = connectToSyslog()) < 0)
        return; // nobody listens: no message to build
    const std::string message = "<" + std::to_string(LOG_USER | (level & LOG_PRIMASK)) + ">" +
                                program_invocation_short_name + "[" + std::to_string(getpid()) +
                                "]: " + line;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd < 0 && (fd = connectToSyslog()) < 0)
            return;
        if (send(fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT) >= 0 ||
            errno == EAGAIN)
            return;
        close(fd); // the daemon went away or restarted: connect again once
        fd = -1;
    }
}
} // namespace

void setLogSink(LogSink sink) {
    std::lock_guard guard(g_lock);
    g_sink = std::move(sink);
}

void logToSystem(int level, const std::string& line) {
    std::lock_guard guard(g_lock);
    sendToSyslog(level, line.c_str());
}

} // namespace NS

void CFLogv(int level, std::string_view format, std::initializer_list<NS::FormatArg> args) {
    objc::Ref<NS::String> line = NS::String::format(format, args);
    device::emit("log", {{"level", level}, {"text", line->str()}});
    std::lock_guard guard(NS::g_lock);
    NS::sendToSyslog(level, line->UTF8String());
    if (NS::g_sink) {
        NS::g_sink(level, line->str());
    } else {
        // One write, without stdio: the library's line at load is often a process's first.
        std::string text = line->str() + '\n';
        for (std::string_view rest = text; !rest.empty();) {
            ssize_t n = write(STDERR_FILENO, rest.data(), rest.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
    }
}
