// A meter's publisher in a process of its own, for the test that kills it:
//   publish_mqtt_child PORT METER
// Prints "connected" once the broker took the connection, then publishes a
// state every 200 ms until it is killed.
#include <cstdio>
#include <thread>

#include "publish/meter_publisher.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    publish::PublisherSettings settings;
    settings.broker.host = "127.0.0.1";
    settings.broker.port = std::atoi(argv[1]);
    publish::MeterPublisher publisher(settings, argv[2], argv[2]);
    if (!publisher.start().isEmpty()) return 1;
    publisher.setOnline(true);
    bool said = false;
    while (true) {
        if (!said && publisher.connected()) {
            std::puts("connected");
            std::fflush(stdout);
            said = true;
        }
        publisher.publishState("{}");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}
