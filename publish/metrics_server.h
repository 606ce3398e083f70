#pragma once
// /metrics: the registry served over HTTP (publish/http_listener). An address
// that cannot be had yet (an interface still coming up at boot, a port still
// held) is tried again every few seconds while recording goes on.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include <QString>

#include "publish/http_listener.h"
#include "publish/listen_address.h"
#include "publish/metrics_registry.h"

namespace publish {

// The answer to GET `path` of a listener that serves /metrics (and may serve
// more: a caller that shares its port routes only /metrics here).
HttpAnswer metricsAnswer(const MetricsRegistry& registry, std::string_view path);

class MetricsServer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRetryPeriod{2};

    // Tries to listen at once.
    MetricsServer(const ListenAddress& address, const MetricsRegistry& registry, const HttpLimits& limits = {});

    // Tries again when not listening and the retry period has passed. Cheap
    // otherwise; called from the recording's ticks.
    void retry(Clock::time_point now = Clock::now());
    bool listening() const { return m_listener != nullptr; }
    // The port it listens on (the one it got, for port 0); 0 while not listening.
    std::uint16_t port() const { return m_listener ? m_listener->port() : 0; }
    // Why the last attempt failed; empty while listening.
    const QString& problem() const { return m_problem; }
    const ListenAddress& address() const { return m_address; }

private:
    void listen(Clock::time_point now);

    ListenAddress m_address;
    const MetricsRegistry& m_registry;
    HttpLimits m_limits;
    std::unique_ptr<HttpListener> m_listener;
    QString m_problem;
    Clock::time_point m_lastAttempt;
};

}  // namespace publish
