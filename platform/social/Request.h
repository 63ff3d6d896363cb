// SL::Request: a request to a social service's API, signed as one of the device's accounts.
//
// Where requests go: the Twitter service's API base (scheme, host and port) is
// "https://api.twitter.com" unless SL::setAPIBase or the environment variable
// TAPSONATA_TWITTER_API (e.g. "http://127.0.0.1:8080") says otherwise. Only the scheme, host
// and port of a request's URL are replaced; its path and query stay.
//
// Social is linked weakly on the device: where it is missing, isAvailable() is false and no
// request can be created. Tests and the simulator turn it off with setAvailable(false) or the
// environment variable TAPSONATA_NO_SOCIAL=1.
#pragma once

#include "accounts/Account.h"
#include "foundation/Collections.h"
#include "foundation/Data.h"
#include "foundation/Error.h"
#include "foundation/HTTPURLResponse.h"
#include "foundation/URL.h"

#include <chrono>
#include <functional>
#include <mutex>

namespace SL {

using objc::Ref;
using objc::RefPtr;

extern const char* const SLServiceTypeTwitter; // "com.apple.social.twitter"

enum RequestMethod : long { GET = 0, POST = 1, DELETE = 2 };

// On a transport failure: no data, no response, an error in NS::URLErrorDomain. Otherwise the
// body, the response with its status code (whatever it is), and no error.
using RequestHandler =
    std::function<void(NS::Data* responseData, NS::HTTPURLResponse* urlResponse, NS::Error* error)>;

class Request : public objc::Object {
public:
    // Nil where Social is unavailable, for an unknown service type, a nil URL or an unknown
    // method. Parameter values are strings; other objects are sent as their description.
    static RefPtr<Request>
    requestForServiceTypeRequestMethodURLParameters(const NS::String* serviceType,
                                                    RequestMethod method, const NS::URL* url,
                                                    const NS::Dictionary* parameters);

    void setAccount(AC::Account* account);
    RefPtr<AC::Account> account() const;
    RequestMethod requestMethod() const { return m_method; }
    Ref<NS::URL> URL() const { return m_url; }
    Ref<NS::Dictionary> parameters() const { return m_parameters; }

    // Sends the request on a worker thread and returns at once. GET and DELETE carry the
    // parameters in the query, POST as a form body. With an account, the request is signed
    // with OAuth 1.0a as that account. The handler is called once, on a worker thread; the
    // request lives until then. Requests are sent one at a time, in the order performed.
    void performRequestWithHandler(RequestHandler handler);

private:
    Request(RequestMethod method, Ref<NS::URL> url, Ref<NS::Dictionary> parameters);

    const RequestMethod m_method;
    const Ref<NS::URL> m_url;
    const Ref<NS::Dictionary> m_parameters;
    mutable std::mutex m_lock;
    RefPtr<AC::Account> m_account;
};

// Whether Social is present. True unless turned off.
bool isAvailable();
void setAvailable(bool available);

// "scheme://host[:port]" with no path; false (and no change) for anything else. An empty base
// returns to the environment's or the real service's.
bool setAPIBase(std::string_view base);
std::string apiBase();

// Bounds on connecting and on the whole request, at most 10 s and 30 s (larger values are
// cut down to those). Tests shorten them.
void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);

} // namespace SL
