#include "publish/meter_publisher.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "publish/broker_trust.h"

namespace publish {
namespace {

// State messages handed to libmosquitto and not yet acknowledged. Enough to
// keep a connection busy; few enough that libmosquitto's unbounded queue
// never holds more than these.
constexpr std::size_t kInFlightLimit = 8;
constexpr int kQos = 1;
constexpr int kKeepAliveSeconds = 15;
constexpr int kPollMilliseconds = 200;
// Closing: at most 4 polls of 100 ms to write what was queued, and as many
// for "offline" and the disconnect, so a stalled broker holds a stop for
// under a second.
constexpr int kCloseRounds = 4;
constexpr int kClosePollMilliseconds = 100;
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

void MeterPublisher::requestStop() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_stopping = true;
    }
    m_wake.notify_all();
}

MeterPublisher::~MeterPublisher() {
    if (m_thread.joinable()) {
        requestStop();
        m_thread.join();
    }
    if (m_client != nullptr) mosquitto_destroy(m_client);
}

// Also after every lost connection, on a client reset beforehand: what
// libmosquitto still held is dropped there and sent again from our queue.
QString MeterPublisher::configure() {
    if (m_client == nullptr) return QStringLiteral("MQTT: the client could not be created");
    const BrokerAddress& broker = m_settings.broker;
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Small messages go out at once rather than waiting for the previous
    // one's acknowledgement (about 40 ms each on a quiet line).
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    if (!broker.user.empty()) {
        const int result = mosquitto_username_pw_set(m_client, broker.user.c_str(),
                                                     broker.password ? broker.password->c_str() : nullptr);
        if (result != MOSQ_ERR_SUCCESS) return libraryError("user name", result);
    }
    if (broker.tls) {
        const int result = broker.caFile.empty()
                               ? trustSystemRoots(m_client, broker.host)
                               : mosquitto_tls_set(m_client, broker.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (result != MOSQ_ERR_SUCCESS) return libraryError("TLS", result);
    }
    const std::string will = availabilityTopic(m_settings.topics, m_meter);
    const int result = mosquitto_will_set(m_client, will.c_str(), int(sizeof kOffline - 1), kOffline, 1, true);
    if (result != MOSQ_ERR_SUCCESS) return libraryError("last will", result);
    mosquitto_threaded_set(m_client, true);  // publishState comes from other threads
    mosquitto_connect_callback_set(m_client, &MeterPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MeterPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_client, &MeterPublisher::onPublish);
    return {};
}

QString MeterPublisher::start() {
    if (QString error = configure(); !error.isEmpty()) return error;
    m_thread = std::thread([this] { run(); });
    return {};
}

// Connects, runs the loop, and after every failure waits 1, 2, 4 … seconds
// (up to the maximum) before the next attempt. The loop polls with a short
// timeout so that stopping never waits for the network; messages queued from
// other threads wake it at once.
void MeterPublisher::run() {
    int delay = 1;
    bool attached = false;  // a connection attempt is under way or established
    bool first = true;
    while (!m_stopping) {
        int result = MOSQ_ERR_SUCCESS;
        if (!attached) {
            result = first || connectAgain() ? mosquitto_connect_async(m_client, m_settings.broker.host.c_str(),
                                                                       m_settings.broker.port, kKeepAliveSeconds)
                                             : MOSQ_ERR_NOMEM;
            first = false;
        } else {
            result = mosquitto_loop(m_client, kPollMilliseconds, 1);
        }
        attached = result == MOSQ_ERR_SUCCESS;
        if (attached) continue;
        noteFailure(result == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                             : QString::fromUtf8(mosquitto_strerror(result)));
        if (connections() > m_connectionsAtLastFailure) delay = 1;
        m_connectionsAtLastFailure = connections();
        if (!waitUnlessStopping(delay)) break;
        delay = std::min(delay * 2, m_settings.reconnectDelayMaxSeconds);
    }
    if (attached) closeCleanly();
}

// A fresh client for the next attempt. The states the broker did not
// acknowledge go back to the front of the queue, oldest first, so they are
// sent again (at least once, as QoS 1 promises) instead of being lost with
// the connection; libmosquitto's own copies go with the reset.
bool MeterPublisher::connectAgain() {
    {
        std::lock_guard lock(m_mutex);
        m_connected = false;  // from here on no other thread touches the client
        for (auto sent = m_unacknowledged.rbegin(); sent != m_unacknowledged.rend(); ++sent) {
            m_queue.pushFront(std::move(sent->json));
        }
        m_unacknowledged.clear();
        m_refusedThisAttempt = false;
    }
    // Outside our lock: libmosquitto takes its own, and calls us back under them.
    if (mosquitto_reinitialise(m_client, nullptr, true, this) != MOSQ_ERR_SUCCESS) return false;
    return configure().isEmpty();
}

// A refusal was noted when the broker sent it; anything else that ends an
// attempt means the broker could not be reached or the connection died.
void MeterPublisher::noteFailure(QString reason) {
    std::lock_guard lock(m_mutex);
    m_connected = false;
    if (!m_refusedThisAttempt) setLinkLocked(LinkState::Unreachable, std::move(reason));
}

bool MeterPublisher::waitUnlessStopping(int seconds) {
    std::unique_lock lock(m_wakeMutex);
    return !m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopping.load(); });
}

// What was queued goes out first (the last rows' states), within a bound.
// A clean disconnect sends no last will: "offline" goes out last, then the
// loop runs a little longer to write it and the disconnect.
void MeterPublisher::closeCleanly() {
    for (int i = 0; i < kCloseRounds && !idle(); ++i) {
        if (mosquitto_loop(m_client, kClosePollMilliseconds, 1) != MOSQ_ERR_SUCCESS) return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_connected) sendLocked({availabilityTopic(m_settings.topics, m_meter), kOffline, true});
    }
    mosquitto_disconnect(m_client);
    for (int i = 0; i < kCloseRounds; ++i) {
        if (mosquitto_loop(m_client, kClosePollMilliseconds, 1) != MOSQ_ERR_SUCCESS) break;
    }
}

void MeterPublisher::publishState(QByteArray json) {
    std::lock_guard lock(m_mutex);
    m_queue.push(std::move(json));
    drainLocked();
}

void MeterPublisher::setOnline(bool online) {
    std::lock_guard lock(m_mutex);
    if (online == m_online) return;
    m_online = online;
    if (m_connected) sendLocked({availabilityTopic(m_settings.topics, m_meter), online ? kOnline : kOffline, true});
}

std::uint64_t MeterPublisher::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_queue.dropped();
}

bool MeterPublisher::idle() const {
    std::lock_guard lock(m_mutex);
    return !m_connected || (m_queue.size() == 0 && m_unacknowledged.empty());
}

bool MeterPublisher::connected() const {
    std::lock_guard lock(m_mutex);
    return m_connected;
}

LinkStatus MeterPublisher::linkStatus() const {
    std::lock_guard lock(m_mutex);
    return m_link;
}

void MeterPublisher::setLinkLocked(LinkState state, QString reason) {
    // A reason that changes from one retry to the next (a refused port, then
    // a timeout) is not a change a user needs to hear of.
    if (state == m_link.state && (state != LinkState::Refused || reason == m_link.reason)) return;
    m_link = {state, std::move(reason)};
}

bool MeterPublisher::sendLocked(const MqttMessage& message, int* messageId) {
    return mosquitto_publish(m_client, messageId, message.topic.c_str(), int(message.payload.size()),
                             message.payload.constData(), kQos, message.retained) == MOSQ_ERR_SUCCESS;
}

void MeterPublisher::drainLocked() {
    const std::string topic = stateTopic(m_settings.topics, m_meter);
    while (m_connected && m_unacknowledged.size() < kInFlightLimit) {
        std::optional<QByteArray> state = m_queue.pop();
        if (!state) return;
        int messageId = 0;
        if (!sendLocked({topic, *state, false}, &messageId)) {
            m_queue.pushFront(std::move(*state));
            return;
        }
        m_unacknowledged.push_back({messageId, std::move(*state)});
    }
}

// After every (re)connection: the broker may have restarted without its
// retained messages, so availability and discovery go out again first.
void MeterPublisher::announce() {
    std::lock_guard lock(m_mutex);
    m_connected = true;
    setLinkLocked(LinkState::Connected);
    sendLocked({availabilityTopic(m_settings.topics, m_meter), m_online ? kOnline : kOffline, true});
    for (const MqttMessage& config : m_discovery) sendLocked(config);
    drainLocked();
}

void MeterPublisher::onConnect(mosquitto*, void* self, int result) {
    auto* publisher = static_cast<MeterPublisher*>(self);
    if (result != 0) {  // refused (bad login): the loop tries again
        std::lock_guard lock(publisher->m_mutex);
        publisher->m_refusedThisAttempt = true;
        publisher->setLinkLocked(LinkState::Refused, QString::fromUtf8(mosquitto_connack_string(result)));
        return;
    }
    ++publisher->m_connections;
    publisher->announce();
}

void MeterPublisher::onDisconnect(mosquitto*, void* self, int) {
    auto* publisher = static_cast<MeterPublisher*>(self);
    std::lock_guard lock(publisher->m_mutex);
    publisher->m_connected = false;
}

// With QoS 1 this comes with the broker's acknowledgement.
void MeterPublisher::onPublish(mosquitto*, void* self, int messageId) {
    auto* publisher = static_cast<MeterPublisher*>(self);
    std::lock_guard lock(publisher->m_mutex);
    auto& sent = publisher->m_unacknowledged;
    const auto found = std::find_if(sent.begin(), sent.end(), [&](const SentState& s) { return s.messageId == messageId; });
    if (found != sent.end()) sent.erase(found);
    publisher->drainLocked();
}

}  // namespace publish
