// An HTTP transport that sends nothing: it records each request (method, URL, headers, body)
// in the order they were performed and answers each with a 200 and "{}".
#pragma once

#include "social/Transport.h"

#include <mutex>
#include <vector>

namespace support {

class FakeHTTPTransport : public SL::Transport {
public:
    SL::HTTPResult perform(const SL::HTTPRequest& request) override;
    std::vector<SL::HTTPRequest> requests() const;

private:
    mutable std::mutex m_lock;
    std::vector<SL::HTTPRequest> m_requests;
    SL::HTTPResult m_answer{200, {}, "{}", 0, {}};
};

// Installs a FakeHTTPTransport for a test's life and puts the libcurl one back afterwards.
class ScopedFakeHTTPTransport {
public:
    ScopedFakeHTTPTransport();
    ~ScopedFakeHTTPTransport();
    ScopedFakeHTTPTransport(const ScopedFakeHTTPTransport&) = delete;
    ScopedFakeHTTPTransport& operator=(const ScopedFakeHTTPTransport&) = delete;

    FakeHTTPTransport* operator->() const { return m_transport.get(); }

private:
    std::shared_ptr<FakeHTTPTransport> m_transport;
};

} // namespace support
