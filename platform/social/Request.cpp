#include "social/Request.h"

#include "device/Events.h"
#include "dispatch/Queue.h"
#include "foundation/Log.h"
#include "objc/Runtime.h"
#include "social/OAuth.h"
#include "social/Transport.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <exception>
#include <optional>

namespace SL {

const char* const SLServiceTypeTwitter = "com.apple.social.twitter";

namespace {

constexpr const char* kDefaultAPIBase = "https://api.twitter.com";
constexpr std::chrono::milliseconds kMaxConnect{10000};
constexpr std::chrono::milliseconds kMaxTotal{30000};

std::atomic<int> g_available{-1}; // -1: not yet decided, read the environment
std::atomic<long long> g_connectMs{kMaxConnect.count()};
std::atomic<long long> g_totalMs{kMaxTotal.count()};
std::mutex g_baseLock;
std::optional<std::string> g_base;

// "scheme://host[:port]" without a trailing slash, or nothing when the text is not one.
std::optional<std::string> normalizedBase(std::string_view text) {
    if (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    std::size_t sep = text.find("://");
    if (sep == std::string_view::npos)
        return std::nullopt;
    std::string_view scheme = text.substr(0, sep);
    std::string_view authority = text.substr(sep + 3);
    if ((scheme != "http" && scheme != "https") || authority.empty() ||
        authority.find_first_of("/?#@ ") != std::string_view::npos)
        return std::nullopt;
    if (!NS::URL::URLWithString(text))
        return std::nullopt;
    return std::string(text);
}

// The URL with its scheme, host and port replaced by the API base; path and query kept.
std::string rebased(const std::string& url, const std::string& base) {
    std::size_t sep = url.find("://");
    if (sep == std::string::npos)
        return url;
    std::size_t rest = url.find_first_of("/?#", sep + 3);
    std::string tail = rest == std::string::npos ? "" : url.substr(rest);
    tail = tail.substr(0, tail.find('#'));
    if (tail.empty() || tail.front() != '/')
        tail.insert(0, "/");
    return base + tail;
}

const char* methodName(RequestMethod method) {
    switch (method) {
    case GET:
        return "GET";
    case POST:
        return "POST";
    case DELETE:
        return "DELETE";
    }
    return "GET";
}

Ref<NS::Dictionary> headerDictionary(const HeaderFields& fields) {
    NS::Dictionary::Entries entries;
    std::map<std::string, std::string> joined;
    for (const auto& [name, value] : fields) {
        auto [it, fresh] = joined.emplace(name, value);
        if (!fresh)
            it->second += ", " + value;
    }
    for (const auto& [name, value] : joined)
        entries.emplace(name, NS::str(value));
    return NS::Dictionary::dictionary(std::move(entries));
}

// Requests go out one at a time, in the order they were performed, on one worker thread at a
// time. So the account store's callbacks never wait behind requests that take their time
// (up to the total timeout each), and requests made one after another reach the service,
// and their handlers run, in that order.
class RequestQueue {
public:
    void post(std::function<void()> task) {
        std::lock_guard guard(m_lock);
        m_tasks.push_back(std::move(task));
        if (m_draining)
            return;
        m_draining = true;
        dispatch::global([this] { drain(); });
    }

private:
    void drain() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard guard(m_lock);
                if (m_tasks.empty()) {
                    m_draining = false;
                    return;
                }
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            try {
                task();
            } catch (const std::exception& e) {
                CFLog(3, "Social: a request's handler threw: %s", e.what());
            } catch (...) {
                CFLog(3, "Social: a request's handler threw");
            }
        }
    }

    std::mutex m_lock;
    std::deque<std::function<void()>> m_tasks;
    bool m_draining = false;
};

RequestQueue& requests() {
    static auto* queue = new RequestQueue; // never destroyed: a worker may drain it at exit
    return *queue;
}

} // namespace

Request::Request(RequestMethod method, Ref<NS::URL> url, Ref<NS::Dictionary> parameters)
    : m_method(method), m_url(std::move(url)), m_parameters(std::move(parameters)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("SLRequest", objc::NSObjectClass());
    setIsa(cls);
}

RefPtr<Request>
Request::requestForServiceTypeRequestMethodURLParameters(const NS::String* serviceType,
                                                         RequestMethod method, const NS::URL* url,
                                                         const NS::Dictionary* parameters) {
    if (!isAvailable() || !serviceType || serviceType->str() != SLServiceTypeTwitter || !url)
        return nullptr;
    if (method != GET && method != POST && method != DELETE)
        return nullptr;
    // A snapshot: a mutable dictionary changed later does not change the request.
    Ref<NS::Dictionary> params =
        NS::Dictionary::dictionary(parameters ? parameters->entries() : NS::Dictionary::Entries{});
    return objc::adopt(new Request(method, const_cast<NS::URL&>(*url), std::move(params)));
}

void Request::setAccount(AC::Account* account) {
    std::lock_guard guard(m_lock);
    m_account = account;
}

RefPtr<AC::Account> Request::account() const {
    std::lock_guard guard(m_lock);
    return m_account;
}

void Request::performRequestWithHandler(RequestHandler handler) {
    OAuth::Parameters params;
    for (const auto& [name, value] : m_parameters->entries())
        params.emplace_back(name, value ? value->description() : std::string());

    HTTPRequest http;
    http.method = methodName(m_method);
    http.url = rebased(m_url->absoluteString(), apiBase());
    if (m_method == POST) {
        http.body = OAuth::formEncode(params);
        http.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
    } else if (!params.empty()) {
        http.url +=
            (http.url.find('?') == std::string::npos ? "?" : "&") + OAuth::formEncode(params);
    }
    http.connectTimeout = std::chrono::milliseconds(g_connectMs.load());
    http.totalTimeout = std::chrono::milliseconds(g_totalMs.load());

    RefPtr<AC::Account> signer = account();
    if (signer) {
        // What is signed: the query's parameters and the form body's, and the protocol's own.
        std::size_t query = http.url.find('?');
        OAuth::Parameters signedParams = OAuth::parseForm(
            query == std::string::npos ? "" : std::string_view(http.url).substr(query + 1));
        if (m_method == POST)
            signedParams.insert(signedParams.end(), params.begin(), params.end());
        const AC::OAuthCredential& c = signer->credential();
        http.headers.emplace_back(
            "Authorization", OAuth::authorizationHeader(
                                 http.method, http.url, signedParams,
                                 {c.consumerKey, c.consumerSecret, c.token, c.tokenSecret},
                                 OAuth::makeNonce(), static_cast<long long>(std::time(nullptr))));
    }

    std::vector<std::pair<std::string, device::JsonValue>> shown;
    for (const auto& [name, value] : params)
        shown.emplace_back(name, device::JsonValue(value));
    device::JsonValue shownParams = device::JsonValue::object(shown);
    std::optional<std::string> username;
    if (signer)
        username = signer->username()->str();

    // "seq" tells the order in which requests were performed, whatever order they end in.
    static std::atomic<long long> s_performed{0};
    long long seq = ++s_performed;

    RefPtr<Request> self(this);
    requests().post([self = std::move(self), http = std::move(http), handler = std::move(handler),
                     shownParams = std::move(shownParams), username = std::move(username),
                     seq]() mutable {
        HTTPResult result = currentTransport()->perform(http);
        device::emit("http", {{"method", http.method},
                              {"url", http.url},
                              {"params", shownParams},
                              {"account", username},
                              {"seq", seq},
                              {"status", result.status ? device::JsonValue(result.status)
                                                       : device::JsonValue(nullptr)}});
        RefPtr<NS::Data> data;
        RefPtr<NS::HTTPURLResponse> response;
        RefPtr<NS::Error> error;
        if (result.status) {
            data = NS::Data::dataWithBytes(std::move(result.body));
            RefPtr<NS::URL> url = NS::URL::URLWithString(http.url);
            response = NS::HTTPURLResponse::initWithURLStatusCodeHTTPVersionHeaderFields(
                url.get(), result.status, NS::str("HTTP/1.1").ptr(),
                headerDictionary(result.headers).ptr());
        } else {
            error = NS::Error::errorWithDomainCodeDescription(NS::URLErrorDomain, result.errorCode,
                                                              result.errorDescription);
        }
        RequestHandler call;
        std::swap(call, handler);
        if (call)
            call(data.get(), response.get(), error.get());
        call = nullptr;
        self = nullptr;
    });
}

bool isAvailable() {
    int state = g_available.load();
    if (state < 0) {
        const char* off = std::getenv("TAPSONATA_NO_SOCIAL");
        state = off && std::string_view(off) == "1" ? 0 : 1;
        int expected = -1;
        g_available.compare_exchange_strong(expected, state);
        state = g_available.load();
    }
    return state == 1;
}

void setAvailable(bool available) {
    g_available.store(available ? 1 : 0);
}

bool setAPIBase(std::string_view base) {
    std::lock_guard guard(g_baseLock);
    if (base.empty()) {
        g_base.reset();
        return true;
    }
    std::optional<std::string> normalized = normalizedBase(base);
    if (!normalized)
        return false;
    g_base = std::move(normalized);
    return true;
}

std::string apiBase() {
    {
        std::lock_guard guard(g_baseLock);
        if (g_base)
            return *g_base;
    }
    if (const char* fromEnvironment = std::getenv("TAPSONATA_TWITTER_API"))
        if (std::optional<std::string> normalized = normalizedBase(fromEnvironment))
            return *normalized;
    return kDefaultAPIBase;
}

void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
    auto bounded = [](std::chrono::milliseconds value, std::chrono::milliseconds most) {
        return std::clamp(value, std::chrono::milliseconds(1), most).count();
    };
    g_connectMs.store(bounded(connect, kMaxConnect));
    g_totalMs.store(bounded(total, kMaxTotal));
}

} // namespace SL
