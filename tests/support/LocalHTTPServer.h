// A tiny HTTP/1.1 server on 127.0.0.1 with an ephemeral port, for tests that send real
// requests. It records every request it reads and answers as it is told: a status and body,
// garbage, a closed connection, or no answer at all (the connection is held open until the
// server stops).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace support {

struct RecordedRequest {
    std::string method;
    std::string target; // path and query, as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string path() const { return target.substr(0, target.find('?')); }
    std::string query() const;
    // The first header of that name, compared without case; empty when there is none.
    std::string header(const std::string& name) const;
};

class LocalHTTPServer {
public:
    enum class Behaviour { Answer, NoAnswer, Garbage, Close };

    LocalHTTPServer(); // listening once constructed
    ~LocalHTTPServer();
    LocalHTTPServer(const LocalHTTPServer&) = delete;
    LocalHTTPServer& operator=(const LocalHTTPServer&) = delete;

    int port() const { return m_port; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // Answer every request with this status and body (the default is 200 with "{}").
    void answer(int status, std::string body = "{}");
    void setBehaviour(Behaviour behaviour);

    std::vector<RecordedRequest> requests() const;
    // Waits until at least `count` requests have been read; false if the wait ran out first.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds wait) const;

private:
    void serve();
    bool readRequest(int fd, RecordedRequest& request);
    void respond(int fd);
    bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline);

    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_recorded;
    std::vector<RecordedRequest> m_requests;
    std::vector<int> m_heldOpen;
    Behaviour m_behaviour = Behaviour::Answer;
    int m_status = 200;
    std::string m_body = "{}";
};

} // namespace support
