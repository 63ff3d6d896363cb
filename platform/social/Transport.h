// The HTTP transport under SL::Request: one blocking exchange, run on a worker thread.
// libcurl by default; tests and the simulator may install one of their own.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace SL {

using HeaderFields = std::vector<std::pair<std::string, std::string>>;

struct HTTPRequest {
    std::string method; // "GET", "POST" or "DELETE"
    std::string url;
    HeaderFields headers; // besides those the transport adds itself
    std::string body;     // form-encoded; empty for GET and DELETE
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{30000};
};

struct HTTPResult {
    long status = 0; // 0: no HTTP response arrived
    HeaderFields headers;
    std::string body;
    long errorCode = 0;           // an NS::URLErrorCode; 0 when a response arrived
    std::string errorDescription; // never carries a header or the body
};

class Transport {
public:
    virtual ~Transport();
    // Blocks until the exchange ends or its timeouts run out. Never throws.
    virtual HTTPResult perform(const HTTPRequest& request) = 0;
};

// HTTP and HTTPS with libcurl: TLS peer and host verified, no redirects followed, the
// response body capped at 16 MiB.
std::shared_ptr<Transport> makeCurlTransport();
// Null restores the libcurl transport.
void setTransport(std::shared_ptr<Transport> transport);
std::shared_ptr<Transport> currentTransport();

} // namespace SL
