// The simulator's API stand-in on 127.0.0.1, for tests that send real requests: it records
// every request it reads and answers as it is told: a status and body, garbage, a closed
// connection, or no answer until the client has given up.
#pragma once

#include "sim/ApiStub.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace support {

using RecordedRequest = sim::ApiRequest;

class LocalHTTPServer {
public:
    enum class Behaviour { Answer, NoAnswer, Garbage, Close };

    std::string base() const { return m_stub.base(); }
    // Answer every request with this status and body (the default is 200 with "{}").
    void answer(int status, std::string body = "{}") {
        std::lock_guard guard(m_lock);
        m_behaviour = Behaviour::Answer;
        m_status = status;
        m_body = std::move(body);
    }
    void setBehaviour(Behaviour behaviour) {
        std::lock_guard guard(m_lock);
        m_behaviour = behaviour;
    }
    std::vector<RecordedRequest> requests() const {
        std::lock_guard guard(m_lock);
        return m_requests;
    }
    // Waits until at least `count` requests have been read; false if the wait ran out first.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds wait) const {
        std::unique_lock guard(m_lock);
        return m_recorded.wait_for(guard, wait, [&] { return m_requests.size() >= count; });
    }

private:
    std::string respond(RecordedRequest& request) {
        std::unique_lock guard(m_lock);
        request.status = m_status;
        m_requests.push_back(request);
        m_recorded.notify_all();
        switch (m_behaviour) {
        case Behaviour::Answer:
            return sim::ApiStub::response(m_status, m_body);
        case Behaviour::Garbage:
            return "garbage\r\n\r\n";
        case Behaviour::NoAnswer: // held until any client's patience has run out
            guard.unlock();
            std::this_thread::sleep_for(std::chrono::seconds(1));
            return "";
        case Behaviour::Close:
            return "";
        }
        return "";
    }

    mutable std::mutex m_lock;
    mutable std::condition_variable m_recorded;
    std::vector<RecordedRequest> m_requests;
    Behaviour m_behaviour = Behaviour::Answer;
    int m_status = 200;
    std::string m_body = "{}";
    sim::ApiStub m_stub{nullptr, [this](RecordedRequest& r) { return respond(r); }};
};

} // namespace support
