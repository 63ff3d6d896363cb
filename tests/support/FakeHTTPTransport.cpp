#include "support/FakeHTTPTransport.h"

namespace support {

SL::HTTPResult FakeHTTPTransport::perform(const SL::HTTPRequest& request) {
    std::lock_guard guard(m_lock);
    m_requests.push_back(request);
    return m_answer;
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
