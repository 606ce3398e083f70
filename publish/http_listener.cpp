#include "publish/http_listener.h"

#include "publish/socket_api.h"

#include <microhttpd.h>

#include <cerrno>
#include <cstring>

namespace publish {

// The request handler, with access to the listener's handler.
struct HttpRequest {
    static MHD_Result answer(void* self, MHD_Connection* connection, const char* url, const char* method,
                             const char*, const char*, size_t* uploadSize, void** requestState);
};

namespace {

MHD_Result queue(MHD_Connection* connection, const HttpAnswer& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
    if (answer.status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result result = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    return result;
}

int gRequestSeen;  // its address marks a request whose headers have been seen

}  // namespace

// libmicrohttpd calls this once when the headers are in, and again for the
// body. A response queued on the first call makes it close the connection
// (it cannot know the body was read), so a GET is answered on the second
// call and the connection stays open for the next request. A refused request
// is answered at once, without reading its body, and closed.
MHD_Result HttpRequest::answer(void* self, MHD_Connection* connection, const char* url, const char* method,
                               const char*, const char*, size_t* uploadSize, void** requestState) {
    const std::string_view verb(method);
    if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
        return queue(connection, {MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET and HEAD.\n"});
    }
    if (*requestState == nullptr) {
        *requestState = &gRequestSeen;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;  // a GET's body, if any, is ignored
        return MHD_YES;
    }
    return queue(connection, static_cast<HttpListener*>(self)->m_handler(url));
}

std::variant<std::unique_ptr<HttpListener>, QString> HttpListener::start(const ListenAddress& address,
                                                                        HttpHandler handler,
                                                                        const HttpLimits& limits) {
    std::unique_ptr<HttpListener> listener(new HttpListener(std::move(handler)));
    SocketAddress bind = socketAddress(address);
    // The wake-up channel lets a stop end the polling thread's wait at once;
    // without it the thread sleeps until the nearest client times out.
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ITC;
    if (bind.anyIpv6) {
        flags |= MHD_USE_DUAL_STACK;
    } else if (bind.ipv6) {
        flags |= MHD_USE_IPv6;
    }
    errno = 0;
    listener->m_daemon = MHD_start_daemon(
        flags, std::uint16_t(address.port), nullptr, nullptr, &HttpRequest::answer, listener.get(),
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bind.storage),
        MHD_OPTION_CONNECTION_LIMIT, limits.connections,
        MHD_OPTION_CONNECTION_TIMEOUT, limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.requestBytes,
        MHD_OPTION_END);
    if (listener->m_daemon == nullptr) {
        const int error = errno;
        return QStringLiteral("cannot listen on %1%2")
            .arg(QString::fromStdString(address.text()),
                 error != 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)) : QString());
    }
    return listener;
}

HttpListener::~HttpListener() {
    if (m_daemon != nullptr) MHD_stop_daemon(m_daemon);
}

std::uint16_t HttpListener::port() const {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

}  // namespace publish
