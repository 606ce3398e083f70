#pragma once
// /metrics over HTTP, served by libmicrohttpd on its own thread.
//
// libmicrohttpd rather than Qt HttpServer: Qt 6.4's server (a technology
// preview there) has no bound on a request's size, no limit on connections
// and no idle timeout, and runs on the thread of its event loop, which here is
// the recording's. libmicrohttpd bounds all three and polls on a thread of its
// own, so a stalled or hostile client costs that thread, never a row.
#include <cstdint>
#include <memory>
#include <variant>

#include <QString>

#include "publish/listen_address.h"
#include "publish/metrics_registry.h"

struct MHD_Daemon;

namespace publish {

struct MetricsServerLimits {
    unsigned connections = 256;       // open at once; more are refused
    unsigned idleTimeoutSeconds = 10; // a connection that sends nothing is closed
    std::size_t requestBytes = 16384; // request line and headers; more gets 431
};

class MetricsServer {
public:
    // Listening, or the reason it cannot (address in use, not an address of this machine).
    static std::variant<std::unique_ptr<MetricsServer>, QString> start(const ListenAddress& address,
                                                                       const MetricsRegistry& registry,
                                                                       const MetricsServerLimits& limits = {});
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    std::uint16_t port() const;

private:
    explicit MetricsServer(const MetricsRegistry& registry) : m_registry(registry) {}
    const MetricsRegistry& m_registry;
    MHD_Daemon* m_daemon = nullptr;

    friend struct MetricsRequest;
};

}  // namespace publish
