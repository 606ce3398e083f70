#include "web/web_server.h"

#include <microhttpd.h>

#include <cerrno>
#include <cstring>

#include "web/http_reply.h"
#include "web/page_assets.h"

namespace web {
namespace {

constexpr char kJson[] = "application/json";
constexpr char kEventStream[] = "text/event-stream";

}  // namespace

WebServer::WebServer(const WebSettings& settings, LiveFeed& feed, WebHooks hooks)
    : m_settings(settings),
      m_feed(feed),
      m_hooks(std::move(hooks)),
      m_auth(settings.password),
      m_streams(feed, settings.limits.streams) {
    m_settings.password.clear();  // kept only as its digest
}

std::variant<std::unique_ptr<WebServer>, QString> WebServer::start(const WebSettings& settings, LiveFeed& feed,
                                                                  WebHooks hooks) {
    std::unique_ptr<WebServer> server(new WebServer(settings, feed, std::move(hooks)));
    publish::SocketAddress bind = publish::socketAddress(settings.address);
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME;
    if (bind.anyIpv6) {
        flags |= MHD_USE_DUAL_STACK;  // "::" serves IPv4 clients too, as /metrics does
    } else if (bind.ipv6) {
        flags |= MHD_USE_IPv6;
    }
    const WebLimits& limits = settings.limits;
    errno = 0;
    server->m_daemon = MHD_start_daemon(
        flags, std::uint16_t(settings.address.port), nullptr, nullptr,
        reinterpret_cast<MHD_AccessHandlerCallback>(&WebServer::answer), server.get(),
        MHD_OPTION_SOCK_ADDR, bind.get(),
        MHD_OPTION_CONNECTION_LIMIT, limits.connections,
        MHD_OPTION_CONNECTION_TIMEOUT, limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.requestBytes,
        MHD_OPTION_END);
    if (server->m_daemon == nullptr) {
        const int error = errno;
        return QStringLiteral("web: cannot listen on %1 port %2%3")
            .arg(QString::fromStdString(settings.address.host))
            .arg(settings.address.port)
            .arg(error != 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)) : QString());
    }
    WebServer* self = server.get();
    feed.setOnEvent([self] { self->m_streams.wake(); });
    return server;
}

WebServer::~WebServer() {
    m_feed.setOnEvent({});
    if (m_daemon == nullptr) return;
    // No stream may stay suspended while the daemon stops; none waits for its client.
    m_streams.closeAll();
    MHD_stop_daemon(m_daemon);
}

std::uint16_t WebServer::port() const {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

// GET and HEAD only; the password before anything but /metrics. A body sent
// with a refused request is not read: the refusal goes out at once.
int WebServer::answer(void* self, MHD_Connection* connection, const char* url, const char* method, const char*,
                      const char*, std::size_t* uploadSize, void**) {
    auto* server = static_cast<WebServer*>(self);
    const HttpReply reply(connection);
    const std::string_view verb(method);
    if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
        return reply.refuse(MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET and HEAD are answered here.");
    }
    *uploadSize = 0;
    const std::string path(url);
    if (path == "/metrics" && server->m_hooks.metrics) {
        return reply.send(MHD_HTTP_OK, server->m_hooks.metrics(), "text/plain; version=0.0.4; charset=utf-8");
    }
    if (!server->m_auth.accepts(reply.header(MHD_HTTP_HEADER_AUTHORIZATION))) return reply.unauthorized();
    return server->route(connection, path, verb == MHD_HTTP_METHOD_HEAD);
}

int WebServer::route(MHD_Connection* connection, const std::string& path, bool head) {
    const HttpReply reply(connection);
    if (const PageAsset* asset = findAsset(path)) return reply.asset(*asset);
    if (path == "/live.json") return reply.send(MHD_HTTP_OK, m_feed.snapshotJson(), kJson);
    if (path == "/events") {
        if (head) return reply.send(MHD_HTTP_OK, "", kEventStream);
        std::string last = reply.header("Last-Event-ID");
        if (last.empty()) last = reply.argument("since");
        MHD_Response* stream = m_streams.open(connection, last);
        if (stream == nullptr) {
            return reply.refuse(MHD_HTTP_SERVICE_UNAVAILABLE,
                                "Too many live streams are open (" + std::to_string(m_settings.limits.streams) +
                                    "); close a page or try again later.");
        }
        MHD_add_response_header(stream, MHD_HTTP_HEADER_CONTENT_TYPE, kEventStream);
        MHD_add_response_header(stream, "X-Accel-Buffering", "no");  // a reverse proxy passes each event at once
        MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT, m_settings.limits.streamTimeoutSeconds);
        return reply.queue(MHD_HTTP_OK, stream);
    }
    if (m_hooks.lookBack && path.rfind("/lookback/", 0) == 0) return lookBackRoute(connection, path);
    return reply.refuse(MHD_HTTP_NOT_FOUND, "Nothing is here.");
}

// Files are named by query arguments, never by the path: /lookback/day?meter=0&name=KZRT2026127.csv.
int WebServer::lookBackRoute(MHD_Connection* connection, const std::string& path) {
    const HttpReply reply(connection);
    LookBackAnswer answer;
    if (path == "/lookback/files.json") {
        answer = m_hooks.lookBack->files();
    } else if (path == "/lookback/span.json" || path == "/lookback/span.csv") {
        answer = m_hooks.lookBack->span(reply.argument("meter"), reply.argument("from"), reply.argument("to"),
                                        path.ends_with(".csv"));
    } else if (path == "/lookback/day") {
        answer = m_hooks.lookBack->dayFile(reply.argument("meter"), reply.argument("name"));
    } else {
        return reply.refuse(MHD_HTTP_NOT_FOUND, "Nothing is here.");
    }
    return reply.send(answer.status, answer.body, answer.contentType, answer.fileName);
}

}  // namespace web
