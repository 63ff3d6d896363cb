#include "support/FakeHTTPTransport.h"

namespace support {

SL::HTTPResult FakeHTTPTransport::perform(const SL::HTTPRequest& request) {
    std::lock_guard guard(m_lock);
    m_requests.push_back(request);
    return m_answer;
}

void FakeHTTPTransport::answer(SL::HTTPResult result) {
    std::lock_guard guard(m_lock);
    m_answer = std::move(result);
}

void FakeHTTPTransport::fail(long urlErrorCode) {
    std::lock_guard guard(m_lock);
    m_answer = SL::HTTPResult{0, {}, {}, urlErrorCode, "failed by the test"};
}

std::vector<SL::HTTPRequest> FakeHTTPTransport::requests() const {
    std::lock_guard guard(m_lock);
    return m_requests;
}

ScopedFakeHTTPTransport::ScopedFakeHTTPTransport()
    : m_transport(std::make_shared<FakeHTTPTransport>()) {
    SL::setTransport(m_transport);
}

ScopedFakeHTTPTransport::~ScopedFakeHTTPTransport() {
    SL::setTransport(nullptr);
}

} // namespace support
