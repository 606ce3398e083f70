#include "publish/metrics_server.h"

#include "publish/socket_api.h"

#include <microhttpd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace publish {

// The request handler, with access to the server's registry.
struct MetricsRequest {
    static MHD_Result answer(void* self, MHD_Connection* connection, const char* url, const char* method,
                             const char*, const char*, size_t* uploadSize, void**);
};

namespace {

constexpr char kMetricsType[] = "text/plain; version=0.0.4; charset=utf-8";

MHD_Result respond(MHD_Connection* connection, unsigned status, std::string_view body,
                   const char* contentType = "text/plain; charset=utf-8") {
    MHD_Response* response = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                             MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

// One socket address for either family, as libmicrohttpd takes it.
struct BindAddress {
    sockaddr_storage storage{};
    bool ipv6 = false;
};

BindAddress bindAddress(const ListenAddress& address) {
    BindAddress bind;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bind.storage);
    if (inet_pton(AF_INET, address.host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(std::uint16_t(address.port));
        return bind;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bind.storage);
    inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(std::uint16_t(address.port));
    bind.ipv6 = true;
    return bind;
}

}  // namespace

// Only GET and HEAD of /metrics. A body sent with a refused request is not
// read: the refusal goes out at once and the connection is closed.
MHD_Result MetricsRequest::answer(void* self, MHD_Connection* connection, const char* url, const char* method,
                                  const char*, const char*, size_t* uploadSize, void**) {
    const std::string_view verb(method);
    if (std::string_view(url) != "/metrics") return respond(connection, MHD_HTTP_NOT_FOUND, "Only /metrics is here.\n");
    if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
        return respond(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET and HEAD.\n");
    }
    *uploadSize = 0;  // a GET's body, if any, is ignored
    const std::string text = static_cast<MetricsServer*>(self)->m_registry.render();
    return respond(connection, MHD_HTTP_OK, text, kMetricsType);
}

std::variant<std::unique_ptr<MetricsServer>, QString> MetricsServer::start(const ListenAddress& address,
                                                                          const MetricsRegistry& registry,
                                                                          const MetricsServerLimits& limits) {
    std::unique_ptr<MetricsServer> server(new MetricsServer(registry));
    BindAddress bind = bindAddress(address);
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD;
    if (bind.ipv6) flags |= MHD_USE_IPv6;
    errno = 0;
    server->m_daemon = MHD_start_daemon(
        flags, std::uint16_t(address.port), nullptr, nullptr, &MetricsRequest::answer, server.get(),
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bind.storage),
        MHD_OPTION_CONNECTION_LIMIT, limits.connections,
        MHD_OPTION_CONNECTION_TIMEOUT, limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.requestBytes,
        MHD_OPTION_END);
    if (server->m_daemon == nullptr) {
        const int error = errno;
        return QStringLiteral("metrics: cannot listen on %1 port %2%3")
            .arg(QString::fromStdString(address.host))
            .arg(address.port)
            .arg(error != 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)) : QString());
    }
    return server;
}

MetricsServer::~MetricsServer() {
    if (m_daemon != nullptr) MHD_stop_daemon(m_daemon);
}

std::uint16_t MetricsServer::port() const {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

}  // namespace publish
