#pragma once
// The settings file's optional [Publish] section: where the console's
// read-outs go besides the window (an MQTT broker, a /metrics endpoint).
// The console only reads it, and never writes, reorders or removes it; the
// settings file's rewrites keep every section they do not touch.
#include <QString>

namespace console {

struct PublishSection {
    QString mqtt;        // key "MQTT": mqtt://[user[:password]@]host[:port] or mqtts://…
    QString mqttPrefix;  // key "MQTTPrefix"; empty: the default
    QString mqttCaFile;  // key "MQTTCA": the CA that signed an mqtts:// broker's certificate; empty: the system's roots
    QString metrics;     // key "Metrics": [HOST:]PORT
    bool present() const { return !mqtt.isEmpty() || !metrics.isEmpty(); }
};

PublishSection readPublishSection();

}  // namespace console
