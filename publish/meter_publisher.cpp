#include "publish/meter_publisher.h"

#include <mosquitto.h>

namespace publish {
namespace {

// State messages handed to libmosquitto and not yet on the socket. Enough to
// keep a connection busy; few enough that a stalled broker holds only these
// outside the bounded queue.
constexpr int kInFlightLimit = 8;
constexpr int kKeepAliveSeconds = 15;
constexpr char kOnline[] = "online";
constexpr char kOffline[] = "offline";

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString libraryError(const char* what, int result) {
    return QStringLiteral("MQTT %1: %2").arg(QLatin1String(what), QString::fromUtf8(mosquitto_strerror(result)));
}

}  // namespace

MeterPublisher::MeterPublisher(const PublisherSettings& settings, std::string meter, std::string displayName)
    : m_settings(settings),
      m_meter(std::move(meter)),
      m_discovery(discoveryConfigs(settings.topics, m_meter, displayName)),
      m_queue(settings.queueCapacity) {
    initialiseLibrary();
    m_client = mosquitto_new(nullptr, true, this);
}

MeterPublisher::~MeterPublisher() {
    if (m_client == nullptr) return;
    if (m_loopRunning) {
        {
            // A clean disconnect sends no last will: say it ourselves.
            std::lock_guard lock(m_mutex);
            if (m_connected) {
                sendLocked({availabilityTopic(m_settings.topics, m_meter), kOffline, true});
            }
        }
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
    }
    mosquitto_destroy(m_client);
}

QString MeterPublisher::configure() {
    if (m_client == nullptr) return QStringLiteral("MQTT: the client could not be created");
    const BrokerAddress& broker = m_settings.broker;
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!broker.user.empty()) {
        const int result = mosquitto_username_pw_set(m_client, broker.user.c_str(),
                                                     broker.password ? broker.password->c_str() : nullptr);
        if (result != MOSQ_ERR_SUCCESS) return libraryError("user name", result);
    }
    if (broker.tls) {
        const int result = mosquitto_tls_set(m_client, broker.caFile.empty() ? nullptr : broker.caFile.c_str(),
                                             broker.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                                             nullptr);
        if (result != MOSQ_ERR_SUCCESS) return libraryError("TLS", result);
    }
    const std::string will = availabilityTopic(m_settings.topics, m_meter);
    const int result = mosquitto_will_set(m_client, will.c_str(), int(sizeof kOffline - 1), kOffline, 1, true);
    if (result != MOSQ_ERR_SUCCESS) return libraryError("last will", result);
    mosquitto_reconnect_delay_set(m_client, 1, unsigned(m_settings.reconnectDelayMaxSeconds), true);
    mosquitto_connect_callback_set(m_client, &MeterPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MeterPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_client, &MeterPublisher::onPublish);
    return {};
}

QString MeterPublisher::start() {
    if (QString error = configure(); !error.isEmpty()) return error;
    // A broker refusing or unreachable now is not an error: the loop thread
    // keeps trying, with backoff. The connection is opened without waiting
    // (only a host name's lookup waits here, once).
    const int result = mosquitto_connect_async(m_client, m_settings.broker.host.c_str(), m_settings.broker.port,
                                               kKeepAliveSeconds);
    if (result == MOSQ_ERR_EAI) return libraryError("broker host", result);
    if (result == MOSQ_ERR_INVAL) return libraryError("broker address", result);
    const int loop = mosquitto_loop_start(m_client);
    if (loop != MOSQ_ERR_SUCCESS) return libraryError("loop thread", loop);
    m_loopRunning = true;
    return {};
}

void MeterPublisher::publishState(QByteArray json) {
    std::lock_guard lock(m_mutex);
    m_queue.push(std::move(json));
    drainLocked();
}

void MeterPublisher::setDeviceAway(bool away) {
    std::lock_guard lock(m_mutex);
    if (away == m_deviceAway) return;
    m_deviceAway = away;
    if (m_connected) sendLocked({availabilityTopic(m_settings.topics, m_meter), away ? kOffline : kOnline, true});
}

std::uint64_t MeterPublisher::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_queue.dropped();
}

bool MeterPublisher::connected() const {
    std::lock_guard lock(m_mutex);
    return m_connected;
}

bool MeterPublisher::sendLocked(const MqttMessage& message) {
    const int result = mosquitto_publish(m_client, nullptr, message.topic.c_str(), int(message.payload.size()),
                                         message.payload.constData(), 0, message.retained);
    if (result != MOSQ_ERR_SUCCESS) return false;
    ++m_inFlight;
    return true;
}

void MeterPublisher::drainLocked() {
    const std::string topic = stateTopic(m_settings.topics, m_meter);
    while (m_connected && m_inFlight < kInFlightLimit) {
        std::optional<QByteArray> state = m_queue.pop();
        if (!state) return;
        if (!sendLocked({topic, *state, false})) {
            m_queue.pushFront(std::move(*state));
            return;
        }
    }
}

// After every (re)connection: the broker may have restarted without its
// retained messages, so availability and discovery go out again first.
void MeterPublisher::announce() {
    std::lock_guard lock(m_mutex);
    m_connected = true;
    m_inFlight = 0;
    sendLocked({availabilityTopic(m_settings.topics, m_meter), m_deviceAway ? kOffline : kOnline, true});
    for (const MqttMessage& config : m_discovery) sendLocked(config);
    drainLocked();
}

void MeterPublisher::onConnect(mosquitto*, void* self, int result) {
    if (result != 0) return;  // refused (bad login): the loop tries again
    auto* publisher = static_cast<MeterPublisher*>(self);
    ++publisher->m_connections;
    publisher->announce();
}

void MeterPublisher::onDisconnect(mosquitto*, void* self, int) {
    auto* publisher = static_cast<MeterPublisher*>(self);
    std::lock_guard lock(publisher->m_mutex);
    publisher->m_connected = false;
    publisher->m_inFlight = 0;  // libmosquitto discards what it had not written
}

void MeterPublisher::onPublish(mosquitto*, void* self, int) {
    auto* publisher = static_cast<MeterPublisher*>(self);
    std::lock_guard lock(publisher->m_mutex);
    if (publisher->m_inFlight > 0) --publisher->m_inFlight;
    publisher->drainLocked();
}

}  // namespace publish
