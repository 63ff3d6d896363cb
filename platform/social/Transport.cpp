#include "social/Transport.h"

#include "foundation/Error.h"

#include <cctype>
#include <curl/curl.h>
#include <mutex>
#include <openssl/crypto.h>

namespace SL {

Transport::~Transport() = default;

namespace {

constexpr std::size_t kMaxBody = std::size_t{16} << 20;

struct Exchange {
    HTTPResult result;
    bool bodyTooLarge = false;
};

size_t onBody(char* data, size_t size, size_t count, void* context) {
    auto* exchange = static_cast<Exchange*>(context);
    size_t bytes = size * count;
    if (exchange->result.body.size() + bytes > kMaxBody) {
        exchange->bodyTooLarge = true;
        return 0; // makes curl stop with a write error
    }
    exchange->result.body.append(data, bytes);
    return bytes;
}

std::string trim(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto* exchange = static_cast<Exchange*>(context);
    std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
        exchange->result.headers.clear(); // a new response (after 100 Continue) starts afresh
    } else if (std::size_t colon = line.find(':'); colon != std::string::npos) {
        exchange->result.headers.emplace_back(trim(line.substr(0, colon)),
                                              trim(line.substr(colon + 1)));
    }
    return size * count;
}

std::pair<long, const char*> urlError(CURLcode code, bool bodyTooLarge) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return {NS::URLErrorTimedOut, "The request timed out."};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {NS::URLErrorCannotFindHost,
                "A server with the specified hostname could not be found."};
    case CURLE_COULDNT_CONNECT:
        return {NS::URLErrorCannotConnectToHost, "Could not connect to the server."};
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return {NS::URLErrorNetworkConnectionLost, "The network connection was lost."};
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL: // an HTTP/0.9 or otherwise unreadable reply
    case CURLE_BAD_CONTENT_ENCODING:
        return {NS::URLErrorBadServerResponse,
                "The server returned a response that could not be read."};
    case CURLE_WRITE_ERROR:
        if (bodyTooLarge)
            return {NS::URLErrorBadServerResponse, "The server's response was too large."};
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        return {NS::URLErrorServerCertificateUntrusted,
                "The certificate for this server is invalid."};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return {NS::URLErrorSecureConnectionFailed,
                "A secure connection to the server could not be made."};
    case CURLE_URL_MALFORMAT:
        return {NS::URLErrorBadURL, "The URL is not valid."};
    default:
        break;
    }
    return {NS::URLErrorUnknown, nullptr};
}

class CurlTransport final : public Transport {
public:
    CurlTransport() {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    HTTPResult perform(const HTTPRequest& request) override {
        Exchange exchange;
        std::string scheme = request.url.substr(0, request.url.find("://"));
        if (scheme != "http" && scheme != "https") {
            exchange.result.errorCode = NS::URLErrorUnsupportedURL;
            exchange.result.errorDescription = "The URL's scheme is not supported.";
            return exchange.result;
        }
        CURL* curl = curl_easy_init();
        if (!curl) {
            exchange.result.errorCode = NS::URLErrorUnknown;
            exchange.result.errorDescription = "The request could not be started.";
            return exchange.result;
        }
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : request.headers)
            headers =
                curl_slist_append(headers, std::string(name).append(": ").append(value).c_str());
        headers = curl_slist_append(headers, "Expect:");

        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request.connectTimeout.count()));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(request.totalTimeout.count()));
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 0L);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Social/1.0");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
        if (request.method == "POST") {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, request.body.c_str());
        } else if (request.method != "GET") {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }

        CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_OK) {
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &exchange.result.status);
        } else {
            auto [errorCode, text] = urlError(code, exchange.bodyTooLarge);
            exchange.result.status = 0;
            exchange.result.body.clear();
            exchange.result.headers.clear();
            exchange.result.errorCode = errorCode;
            exchange.result.errorDescription = text ? text : curl_easy_strerror(code);
        }
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        // Workers live as long as the process, so what OpenSSL keeps per thread (its error
        // queue) would never be freed; let it go after each exchange.
        OPENSSL_thread_stop();
        return exchange.result;
    }
};

std::mutex g_lock;
std::shared_ptr<Transport> g_transport;

} // namespace

std::shared_ptr<Transport> makeCurlTransport() {
    return std::make_shared<CurlTransport>();
}

void setTransport(std::shared_ptr<Transport> transport) {
    std::lock_guard guard(g_lock);
    g_transport = std::move(transport);
}

std::shared_ptr<Transport> currentTransport() {
    std::lock_guard guard(g_lock);
    if (!g_transport)
        g_transport = makeCurlTransport();
    return g_transport;
}

} // namespace SL
