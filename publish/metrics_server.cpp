#include "publish/metrics_server.h"

namespace publish {

HttpAnswer metricsAnswer(const MetricsRegistry& registry, std::string_view path) {
    if (path != "/metrics") return {404, "Only /metrics is here.\n"};
    return {200, registry.render(), "text/plain; version=0.0.4; charset=utf-8"};
}

MetricsServer::MetricsServer(const ListenAddress& address, const MetricsRegistry& registry,
                             const HttpLimits& limits)
    : m_address(address), m_registry(registry), m_limits(limits) {
    listen(Clock::now());
}

void MetricsServer::retry(Clock::time_point now) {
    if (!m_listener && now - m_lastAttempt >= kRetryPeriod) listen(now);
}

void MetricsServer::listen(Clock::time_point now) {
    m_lastAttempt = now;
    auto started = HttpListener::start(
        m_address, [this](std::string_view path) { return metricsAnswer(m_registry, path); }, m_limits);
    if (auto* error = std::get_if<QString>(&started)) {
        m_problem = *error;
        return;
    }
    m_listener = std::move(std::get<std::unique_ptr<HttpListener>>(started));
    m_problem.clear();
}

}  // namespace publish
