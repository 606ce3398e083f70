#pragma once
// One HTTP listening socket served by libmicrohttpd on its own thread, for
// whatever pages a program serves there (/metrics, a web page). It answers
// GET and HEAD through one handler and refuses other methods itself.
//
// libmicrohttpd rather than Qt HttpServer: Qt 6.4's server (a technology
// preview there) has no bound on a request's size, no limit on connections
// and no idle timeout, and runs on the thread of its event loop, which in the
// recorder is the recording's. libmicrohttpd bounds all three and polls on a
// thread of its own, so a stalled or hostile client costs that thread, never
// a row. Connections are kept alive between requests, and stopping never
// waits for a client: the polling thread is woken at once and every
// connection is closed, whatever state it is in.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include <QString>

#include "publish/listen_address.h"

struct MHD_Daemon;

namespace publish {

struct HttpLimits {
    unsigned connections = 256;        // open at once; more are refused
    unsigned idleTimeoutSeconds = 10;  // a connection that sends nothing is closed
    std::size_t requestBytes = 16384;  // request line and headers; more gets 431
};

struct HttpAnswer {
    unsigned status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=utf-8";
};

// Called on the listener's thread for each GET or HEAD, with the path.
using HttpHandler = std::function<HttpAnswer(std::string_view path)>;

class HttpListener {
public:
    // Listening, or why not (address in use, not an address of this machine).
    // "::" listens on IPv6 and IPv4 both.
    static std::variant<std::unique_ptr<HttpListener>, QString> start(const ListenAddress& address,
                                                                     HttpHandler handler,
                                                                     const HttpLimits& limits = {});
    ~HttpListener();
    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;

    // The port it got, which differs from the one asked for when that was 0.
    std::uint16_t port() const;

private:
    explicit HttpListener(HttpHandler handler) : m_handler(std::move(handler)) {}
    HttpHandler m_handler;
    MHD_Daemon* m_daemon = nullptr;

    friend struct HttpRequest;
};

}  // namespace publish
