// A stand-in for the Twitter API on 127.0.0.1, on a port the system picks: `run --api local`
// and the demo point the device's requests at it (TAPSONATA_TWITTER_API), so that a follow
// really goes over HTTP, signed, without leaving the machine. Like the service, it answers a
// request whose OAuth signature does not verify with 401; otherwise
// POST /1.1/friendships/create.json with 200 and the followed user as JSON, and anything
// else with 404. It reports every request it reads. A responder of one's own can stand for
// a service that fails: another status, a broken answer, or none.
#pragma once

#include "social/OAuth.h"

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sim {

struct ApiRequest {
    std::string method;
    std::string target; // the path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int status = 0; // what the stand-in answered

    std::string header(const std::string& name) const; // without regard to case; "" if absent
    std::string path() const { return target.substr(0, target.find('?')); }
    std::string query() const;
};

class ApiStub {
public:
    using Handler = std::function<void(const ApiRequest&)>;
    // Sets the request's status and gives the bytes to send back; "" closes without answering.
    using Responder = std::function<std::string(ApiRequest&)>;

    // Listens at once; `onRequest` is called on the stand-in's thread before each answer goes
    // out. Without a responder it answers as the service would.
    explicit ApiStub(Handler onRequest, Responder responder = {});
    ~ApiStub();
    ApiStub(const ApiStub&) = delete;
    ApiStub& operator=(const ApiStub&) = delete;

    bool listening() const { return m_port != 0; }
    // "http://127.0.0.1:PORT"
    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // A whole HTTP answer with a JSON body.
    static std::string response(int status, const std::string& body);
    // The account's secrets, by the OAuth token a request names; none for an unknown token.
    using Secrets = std::function<std::optional<SL::OAuth::Credentials>(const std::string& token)>;
    // The service's own answer: 401 unless signed by an account `secrets` knows, then the
    // follow, or 404.
    std::string twitter(ApiRequest& request, const Secrets& secrets) const;
    // Whether the request's OAuth 1.0a signature verifies for these credentials, rebuilt from
    // what arrived (method, URL, query, form body, the header's protocol parameters).
    bool signedWith(const ApiRequest& request, const SL::OAuth::Credentials& credentials) const;
    // The decoded value of a protocol parameter of the request's OAuth header; "" if absent.
    static std::string oauthParameter(const ApiRequest& request, const std::string& name);

private:
    void serve();
    void answer(int fd);

    Handler m_onRequest;
    Responder m_responder;
    int m_listenFd = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
};

} // namespace sim
