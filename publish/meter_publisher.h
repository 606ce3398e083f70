#pragma once
// One meter's MQTT connection.
//
// Each meter has a connection of its own because a connection has exactly
// one last will, and each meter's availability topic must turn "offline" when
// the process dies. The connection runs on a thread of its own, which turns
// libmosquitto's loop (socket reads and writes, keep-alive) and connects and
// reconnects with backoff; the caller only queues. So a broker that is down,
// slow or restarting costs the recording tick a mutex and a queue push, never
// a network wait. (libmosquitto's own loop thread gives up for good when the
// very first connection is refused, so the thread is ours.)
//
// State messages go at QoS 1 and wait in a bounded queue that drops the
// oldest (and counts it); at most a few are handed to libmosquitto at a time
// (its own queue has no bound), the next when the broker acknowledged one.
// Those not acknowledged when a connection dies go back to the front of the
// queue, oldest first, and are sent again on the next connection: a broker
// that hangs or restarts loses no state that the bound did not count.
// Availability and discovery configs are retained and sent again after every
// (re)connection. Availability says "online" only once told so.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include <QString>

#include "publish/broker_address.h"
#include "publish/drop_oldest_queue.h"
#include "publish/mqtt_messages.h"

struct mosquitto;

namespace publish {

struct PublisherSettings {
    BrokerAddress broker;
    MqttTopics topics;
    std::size_t queueCapacity = 256;  // state messages waiting for the broker
    int reconnectDelayMaxSeconds = 10;
};

// Where the connection stands, as a user is told of it: each change once.
enum class LinkState { Connecting, Connected, Refused, Unreachable };

struct LinkStatus {
    LinkState state = LinkState::Connecting;
    QString reason;  // the broker's refusal, or why it cannot be reached
};

class MeterPublisher {
public:
    // `meter` is topic-safe; `displayName` is what Home Assistant shows.
    MeterPublisher(const PublisherSettings& settings, std::string meter, std::string displayName);
    // Says "offline" (retained) and disconnects cleanly when connected.
    ~MeterPublisher();
    MeterPublisher(const MeterPublisher&) = delete;
    MeterPublisher& operator=(const MeterPublisher&) = delete;

    // Starts the loop thread and the first connection attempt. Empty on
    // success; a broker that cannot be reached is not an error (it is tried
    // again), a setting libmosquitto refuses is.
    QString start();

    // Begins the clean close without waiting for it, so that several
    // connections close at once; the destructor waits.
    void requestStop();

    // Never waits for the network.
    void publishState(QByteArray json);
    // The retained availability: "online" while true. False at the start.
    void setOnline(bool online);

    std::uint64_t dropped() const;
    bool connected() const;
    LinkStatus linkStatus() const;
    std::uint64_t connections() const { return m_connections.load(); }
    bool idle() const;  // nothing queued or unacknowledged, or nowhere to send it

private:
    static void onConnect(mosquitto*, void* self, int result);
    static void onDisconnect(mosquitto*, void* self, int result);
    static void onPublish(mosquitto*, void* self, int messageId);
    QString configure();
    void run();
    bool connectAgain();
    void noteFailure(QString reason);
    bool waitUnlessStopping(int seconds);
    void closeCleanly();
    void announce();
    void drainLocked();
    bool sendLocked(const MqttMessage& message, int* messageId = nullptr);
    void setLinkLocked(LinkState state, QString reason = {});

    struct SentState {
        int messageId;
        QByteArray json;
    };

    PublisherSettings m_settings;
    std::string m_meter;
    std::vector<MqttMessage> m_discovery;
    mosquitto* m_client = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;  // ends a backoff wait early

    mutable std::mutex m_mutex;  // everything below
    DropOldestQueue<QByteArray> m_queue;
    std::deque<SentState> m_unacknowledged;  // oldest first
    bool m_connected = false;
    bool m_online = false;
    LinkStatus m_link;
    bool m_refusedThisAttempt = false;
    std::atomic<std::uint64_t> m_connections{0};
    std::uint64_t m_connectionsAtLastFailure = 0;  // the connection thread's
};

}  // namespace publish
