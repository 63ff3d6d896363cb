#include "support/LocalHTTPServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace support {

namespace {

constexpr auto kClientPatience = std::chrono::seconds(5);
constexpr std::size_t kMaxRequest = 1 << 20;

void writeAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

std::string RecordedRequest::query() const {
    std::size_t q = target.find('?');
    return q == std::string::npos ? std::string() : target.substr(q + 1);
}

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    return {};
}

LocalHTTPServer::LocalHTTPServer() {
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || pipe2(m_wakeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("LocalHTTPServer: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listenFd, 16) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("LocalHTTPServer: cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LocalHTTPServer::~LocalHTTPServer() {
    char wake = 1;
    (void)!write(m_wakeFds[1], &wake, 1);
    m_thread.join();
    for (int fd : m_heldOpen)
        close(fd);
    close(m_listenFd);
    close(m_wakeFds[0]);
    close(m_wakeFds[1]);
}

void LocalHTTPServer::answer(int status, std::string body) {
    std::lock_guard guard(m_lock);
    m_behaviour = Behaviour::Answer;
    m_status = status;
    m_body = std::move(body);
}

void LocalHTTPServer::setBehaviour(Behaviour behaviour) {
    std::lock_guard guard(m_lock);
    m_behaviour = behaviour;
}

std::vector<RecordedRequest> LocalHTTPServer::requests() const {
    std::lock_guard guard(m_lock);
    return m_requests;
}

bool LocalHTTPServer::waitForRequests(std::size_t count, std::chrono::milliseconds wait) const {
    std::unique_lock lock(m_lock);
    return m_recorded.wait_for(lock, wait, [&] { return m_requests.size() >= count; });
}

// Waits for `fd` or the wake pipe. False when the server is stopping or the deadline passed.
bool LocalHTTPServer::waitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        int ready = poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || fds[1].revents)
            return false;
        return true;
    }
}

void LocalHTTPServer::serve() {
    for (;;) {
        if (!waitReadable(m_listenFd, std::chrono::steady_clock::time_point::max()))
            return;
        int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        RecordedRequest request;
        if (!readRequest(fd, request)) {
            close(fd);
            continue;
        }
        {
            std::lock_guard guard(m_lock);
            m_requests.push_back(std::move(request));
        }
        m_recorded.notify_all();
        respond(fd);
    }
}

bool LocalHTTPServer::readRequest(int fd, RecordedRequest& request) {
    auto deadline = std::chrono::steady_clock::now() + kClientPatience;
    std::string data;
    std::size_t headerEnd = std::string::npos;
    std::size_t bodyLength = 0;
    for (;;) {
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                std::size_t lineEnd = data.find("\r\n");
                std::string line = data.substr(0, lineEnd);
                std::size_t s1 = line.find(' ');
                std::size_t s2 = line.find(' ', s1 + 1);
                if (s1 == std::string::npos || s2 == std::string::npos)
                    return false;
                request.method = line.substr(0, s1);
                request.target = line.substr(s1 + 1, s2 - s1 - 1);
                std::size_t pos = lineEnd + 2;
                while (pos < headerEnd) {
                    std::size_t end = data.find("\r\n", pos);
                    std::string field = data.substr(pos, end - pos);
                    pos = end + 2;
                    std::size_t colon = field.find(':');
                    if (colon == std::string::npos)
                        continue;
                    std::string value = field.substr(colon + 1);
                    value.erase(0, value.find_first_not_of(' '));
                    request.headers.emplace_back(field.substr(0, colon), value);
                }
                std::string length = request.header("Content-Length");
                bodyLength = std::strtoul(length.c_str(), nullptr, 10);
            }
        }
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + bodyLength) {
            request.body = data.substr(headerEnd + 4, bodyLength);
            return true;
        }
        if (data.size() > kMaxRequest || !waitReadable(fd, deadline))
            return false;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

void LocalHTTPServer::respond(int fd) {
    std::unique_lock lock(m_lock);
    Behaviour behaviour = m_behaviour;
    int status = m_status;
    std::string body = m_body;
    if (behaviour == Behaviour::NoAnswer) {
        m_heldOpen.push_back(fd);
        return;
    }
    lock.unlock();
    if (behaviour == Behaviour::Garbage) {
        writeAll(fd, "this is not HTTP at all\r\n\r\n\x01\x02\x03");
    } else if (behaviour == Behaviour::Answer) {
        writeAll(fd, "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Status") +
                         "\r\nContent-Type: application/json\r\nContent-Length: " +
                         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    }
    close(fd);
}

} // namespace support
