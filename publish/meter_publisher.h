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
// State messages wait in a bounded queue that drops the oldest; at most a few
// are handed to libmosquitto at a time (its own queue has no bound), the next
// when the previous reached the socket. Availability and discovery configs
// are retained and sent again after every (re)connection.
#include <atomic>
#include <condition_variable>
#include <cstdint>
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
    void setDeviceAway(bool away);

    std::uint64_t dropped() const;
    bool connected() const;
    std::uint64_t connections() const { return m_connections.load(); }

private:
    static void onConnect(mosquitto*, void* self, int result);
    static void onDisconnect(mosquitto*, void* self, int result);
    static void onPublish(mosquitto*, void* self, int messageId);
    QString configure();
    void run();
    bool waitUnlessStopping(int seconds);
    void closeCleanly();
    bool idle() const;  // nothing queued or in flight, or nowhere to send it
    void announce();
    void drainLocked();
    bool sendLocked(const MqttMessage& message);

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
    bool m_connected = false;
    bool m_deviceAway = false;
    int m_inFlight = 0;
    std::atomic<std::uint64_t> m_connections{0};
    std::uint64_t m_connectionsAtLastFailure = 0;  // the connection thread's
};

}  // namespace publish
