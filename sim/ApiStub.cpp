#include "sim/ApiStub.h"

#include "device/Events.h"
#include "social/OAuth.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr const char* kFollowPath = "/1.1/friendships/create.json";
constexpr std::size_t kMaxRequest = 1 << 20;
constexpr int kClientPatienceMs = 5000;

void sendAll(int fd, const std::string& bytes) {
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

// Reads one request: the head up to the blank line, then Content-Length bytes of body.
bool readRequest(int fd, ApiRequest& request) {
    std::string data;
    std::size_t headEnd = std::string::npos;
    std::size_t length = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kClientPatienceMs);
    for (;;) {
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + length)
            break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || data.size() + static_cast<std::size_t>(n) > kMaxRequest)
            return false;
        data.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos &&
            (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
            std::size_t lineEnd = data.find("\r\n");
            std::string first = data.substr(0, lineEnd);
            std::size_t a = first.find(' '), b = first.rfind(' ');
            if (a == std::string::npos || b == a)
                return false;
            request.method = first.substr(0, a);
            request.target = first.substr(a + 1, b - a - 1);
            for (std::size_t at = lineEnd + 2; at < headEnd;) {
                std::size_t end = data.find("\r\n", at);
                std::string header = data.substr(at, end - at);
                std::size_t colon = header.find(':');
                if (colon != std::string::npos) {
                    std::size_t value = header.find_first_not_of(' ', colon + 1);
                    request.headers.emplace_back(header.substr(0, colon),
                                                 value == std::string::npos ? ""
                                                                            : header.substr(value));
                }
                at = end + 2;
            }
            std::string declared = request.header("Content-Length");
            if (declared.size() > 7 ||
                declared.find_first_not_of("0123456789") != std::string::npos)
                return false;
            length = declared.empty() ? 0 : std::stoul(declared);
        }
    }
    request.body = data.substr(headEnd + 4, length);
    return true;
}

} // namespace

std::string ApiRequest::query() const {
    std::size_t mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

std::string ApiRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    return {};
}

ApiStub::ApiStub(Handler onRequest, Responder responder)
    : m_onRequest(std::move(onRequest)), m_responder(std::move(responder)) {
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(m_listenFd, 16) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ApiStub::~ApiStub() {
    if (m_thread.joinable()) {
        (void)!write(m_wake[1], "x", 1);
        m_thread.join();
    }
    for (int fd : {m_listenFd, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

void ApiStub::serve() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        answer(client);
        close(client);
    }
}

std::string ApiStub::response(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) +
           (status == 200   ? " OK"
            : status == 404 ? " Not Found"
                            : " Error") +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

namespace {

// The OAuth header's protocol parameters, decoded: oauth_x="v", oauth_y="w".
std::optional<std::map<std::string, std::string>> protocolOf(const ApiRequest& request) {
    std::string header = request.header("Authorization");
    if (header.rfind("OAuth ", 0) != 0)
        return std::nullopt;
    std::map<std::string, std::string> protocol;
    std::string rest = header.substr(6);
    for (std::size_t pos = 0; pos < rest.size();) {
        std::size_t eq = rest.find("=\"", pos);
        std::size_t close = eq == std::string::npos ? eq : rest.find('"', eq + 2);
        if (close == std::string::npos)
            return std::nullopt;
        std::string name = rest.substr(pos, eq - pos);
        name.erase(0, name.find_first_not_of(", "));
        protocol[name] = SL::OAuth::percentDecode(rest.substr(eq + 2, close - eq - 2), false);
        pos = close + 1;
    }
    return protocol;
}

} // namespace

std::string ApiStub::oauthParameter(const ApiRequest& request, const std::string& name) {
    auto protocol = protocolOf(request);
    auto it = protocol ? protocol->find(name) : decltype(protocol->find(name))();
    return protocol && it != protocol->end() ? it->second : std::string();
}

bool ApiStub::signedWith(const ApiRequest& request,
                         const SL::OAuth::Credentials& credentials) const {
    using namespace SL::OAuth;
    auto protocol = protocolOf(request);
    if (!protocol)
        return false;
    for (const char* required : {"oauth_nonce", "oauth_signature", "oauth_timestamp"})
        if (!protocol->count(required))
            return false;
    auto& p = *protocol;
    if (p["oauth_signature_method"] != "HMAC-SHA1" || p["oauth_version"] != "1.0" ||
        p["oauth_consumer_key"] != credentials.consumerKey || p["oauth_token"] != credentials.token)
        return false;
    Parameters params = parseForm(request.query());
    if (request.header("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
        for (auto& pair : parseForm(request.body))
            params.push_back(std::move(pair));
    for (const auto& [name, value] : p)
        if (name != "oauth_signature" && name != "realm")
            params.emplace_back(name, value);
    return sign(signatureBaseString(request.method, base() + request.path(), params),
                credentials) == p["oauth_signature"];
}

std::string ApiStub::twitter(ApiRequest& request, const Secrets& secrets) const {
    std::optional<SL::OAuth::Credentials> credentials =
        secrets ? secrets(oauthParameter(request, "oauth_token")) : std::nullopt;
    if (!credentials || !signedWith(request, *credentials)) {
        request.status = 401;
        return response(401, R"({"errors":[{"code":32,"message":"Could not authenticate you."}]})");
    }
    if (request.method == "POST" && request.path() == kFollowPath) {
        std::string screenName;
        for (const auto& [name, value] : SL::OAuth::parseForm(request.body))
            if (name == "screen_name")
                screenName = value;
        request.status = 200;
        return response(200, "{\"screen_name\":" + device::jsonQuote(screenName) +
                                 ",\"following\":true}");
    }
    request.status = 404;
    return response(404,
                    R"({"errors":[{"code":34,"message":"Sorry, that page does not exist."}]})");
}

void ApiStub::answer(int fd) {
    ApiRequest request;
    if (!readRequest(fd, request))
        return;
    std::string bytes = m_responder ? m_responder(request) : twitter(request, nullptr);
    // Recorded before the answer goes out, so the request's line always comes before the
    // line of the process that reads the answer.
    if (m_onRequest)
        m_onRequest(request);
    sendAll(fd, bytes);
}

} // namespace sim
