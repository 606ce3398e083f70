#pragma once
// What a recording run is told to do, and the rules each option's value
// follows, shared by the command line and the configuration file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/config_file.h"

namespace record {

struct MeterSpec {
    std::string name;  // empty: the meter's day files go straight into the folder
    std::string port;  // a port number, COMn, or a device path
};

// The network outputs, as given; checked when they start.
struct NetworkOptions {
    std::string mqtt;  // mqtt://[user[:password]@]host[:port] or mqtts://…; empty: no MQTT
    std::string mqttCa;
    std::string mqttPasswordFile;
    std::string mqttPrefix = "kzrt";
    std::string haPrefix = "homeassistant";
    bool haDiscovery = true;
    std::string metrics;  // [HOST:]PORT; empty: no /metrics
    std::string web;      // [HOST:]PORT of the web page; empty: no page
    std::string webPasswordFile;
    // Whether any network option was given (a CA or password file alone too,
    // so that it is refused rather than ignored).
    bool asked() const {
        return !mqtt.empty() || !metrics.empty() || !mqttCa.empty() || !mqttPasswordFile.empty() || !web.empty() ||
               !webPasswordFile.empty();
    }
};

struct RecordOptions {
    std::vector<MeterSpec> meters;
    int baud = 2400;
    int parity = 2;  // the serial unit's parity code: none 0, odd 1, even 2, mark 3, space 4
    int intervalSeconds = 1;
    std::string dir = ".";
    std::optional<double> stopBelowVolts;
    int holdSeconds = 10;
    std::optional<int> durationSeconds;
    std::string summaryFile;
    bool noWait = false;
    NetworkOptions network;
};

// The keys that take a value, as long options and as configuration keys.
inline constexpr std::string_view kValueKeys[] = {"baud",        "parity",   "interval",  "dir",
                                                  "stop-below",  "hold",     "duration",  "summary",
                                                  "meter",       "mqtt",     "mqtt-ca",   "mqtt-password-file",
                                                  "mqtt-prefix", "ha-prefix", "metrics",
                                                  "web",         "web-password-file"};

// Stores one option's value. An empty result means it was taken; otherwise
// the reason it was refused, worded to follow "--key: ". `meter` adds one meter.
std::string applySetting(RecordOptions& options, std::string_view key, std::string_view value);

// Applies a configuration file's entries; the error names the line and key.
std::string applyConfig(RecordOptions& options, const std::vector<ConfigEntry>& entries);

// A meter argument, [NAME=]PORT; the error says what is wrong with it.
std::string parseMeter(std::string_view argument, MeterSpec& meter);

// Checks that goes across meters: at least one, names unique, one folder each.
std::string checkMeters(const std::vector<MeterSpec>& meters);

}  // namespace record
