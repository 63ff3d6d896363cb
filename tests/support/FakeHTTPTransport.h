// An HTTP transport that sends nothing: it records each request (method, URL, headers, body)
// in the order they were performed and answers them all alike.
#pragma once

#include "social/Transport.h"

#include <mutex>
#include <vector>

namespace support {

class FakeHTTPTransport : public SL::Transport {
public:
    SL::HTTPResult perform(const SL::HTTPRequest& request) override;

    // The answer to every request; by default a 200 with "{}".
    void answer(SL::HTTPResult result);
    // Every request fails with this NS::URLErrorCode.
    void fail(long urlErrorCode);
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
