#include "record/record_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace record {
namespace {

std::optional<int> wholeNumber(std::string_view text, int least) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < least) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parityCode(std::string_view name) {
    constexpr std::string_view kNames[] = {"none", "odd", "even", "mark", "space"};
    const auto* found = std::find(std::begin(kNames), std::end(kNames), name);
    if (found == std::end(kNames)) return std::nullopt;
    return static_cast<int>(found - std::begin(kNames));
}

// The network option a key names; its value is checked when the outputs start.
std::string* networkField(NetworkOptions& network, std::string_view key) {
    if (key == "mqtt") return &network.mqtt;
    if (key == "mqtt-ca") return &network.mqttCa;
    if (key == "mqtt-password-file") return &network.mqttPasswordFile;
    if (key == "mqtt-prefix") return &network.mqttPrefix;
    if (key == "ha-prefix") return &network.haPrefix;
    if (key == "metrics") return &network.metrics;
    if (key == "web") return &network.web;
    if (key == "web-password-file") return &network.webPasswordFile;
    return nullptr;
}

// Built up in place: "'" + std::string(text) + "'" draws a false -Wrestrict
// from GCC 12's mingw build.
std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    out += text;
    out += '\'';
    return out;
}

std::string storeWhole(int& field, std::string_view value, int least, std::string_view what) {
    const std::optional<int> parsed = wholeNumber(value, least);
    if (!parsed) return quoted(value) + " is not " + std::string(what);
    field = *parsed;
    return {};
}

}  // namespace

std::string applySetting(RecordOptions& options, std::string_view key, std::string_view value) {
    constexpr std::string_view kSeconds = "a whole number of seconds (1 or more)";
    if (key == "baud") return storeWhole(options.baud, value, 1, "a baud rate");
    if (key == "interval") return storeWhole(options.intervalSeconds, value, 1, kSeconds);
    if (key == "hold") return storeWhole(options.holdSeconds, value, 1, kSeconds);
    if (key == "duration") {
        int seconds = 0;
        std::string error = storeWhole(seconds, value, 1, kSeconds);
        if (error.empty()) options.durationSeconds = seconds;
        return error;
    }
    if (key == "parity") {
        const std::optional<int> code = parityCode(value);
        if (!code) return quoted(value) + " is not one of even, odd, none, mark, space";
        options.parity = *code;
        return {};
    }
    if (key == "stop-below") {
        const std::optional<double> volts = number(value);
        if (!volts) return quoted(value) + " is not a voltage";
        options.stopBelowVolts = volts;
        return {};
    }
    if (key == "dir" || key == "summary") {
        if (value.empty()) return "needs a path";
        (key == "dir" ? options.dir : options.summaryFile) = std::string(value);
        return {};
    }
    if (key == "no-wait" || key == "no-ha-discovery") {
        if (value != "true" && value != "false") return quoted(value) + " is not true or false";
        const bool yes = value == "true";
        if (key == "no-wait") {
            options.noWait = yes;
        } else {
            options.network.haDiscovery = !yes;
        }
        return {};
    }
    if (std::string* field = networkField(options.network, key)) {
        if (value.empty()) return "needs a value";
        *field = std::string(value);
        return {};
    }
    if (key == "meter") {
        MeterSpec meter;
        std::string error = parseMeter(value, meter);
        if (error.empty()) options.meters.push_back(std::move(meter));
        return error;
    }
    return "unknown option";
}

std::string applyConfig(RecordOptions& options, const std::vector<ConfigEntry>& entries) {
    for (const ConfigEntry& entry : entries) {
        std::string error = applySetting(options, entry.key, entry.value);
        if (!error.empty()) return "line " + std::to_string(entry.line) + ": " + entry.key + ": " + error;
    }
    return {};
}

std::string parseMeter(std::string_view argument, MeterSpec& meter) {
    const std::size_t equals = argument.find('=');
    meter.port = std::string(equals == std::string_view::npos ? argument : argument.substr(equals + 1));
    meter.name = equals == std::string_view::npos ? std::string{} : std::string(argument.substr(0, equals));
    if (meter.port.empty()) return quoted(argument) + " names no port";
    if (equals == std::string_view::npos) return {};
    // The name becomes a folder of its own inside --dir, never a path.
    if (meter.name.empty() || meter.name == "." || meter.name == ".." ||
        meter.name.find_first_of("/\\:") != std::string::npos) {
        return quoted(argument) + ": NAME must be a plain folder name, without / \\ or :";
    }
    return {};
}

std::string checkMeters(const std::vector<MeterSpec>& meters) {
    if (meters.empty()) return "no meter given: name at least one [NAME=]PORT";
    std::set<std::string> names;
    std::set<std::string> ports;
    for (const MeterSpec& meter : meters) {
        const std::string argument = meter.name.empty() ? meter.port : meter.name + "=" + meter.port;
        // Two meters writing one folder would mix their rows in one day file.
        if (meter.name.empty() && meters.size() > 1) {
            return quoted(argument) + ": with several meters each needs a NAME=";
        }
        if (!names.insert(meter.name).second) {
            return quoted(argument) + ": the NAME " + quoted(meter.name) + " is used twice";
        }
        if (!ports.insert(meter.port).second) {
            return quoted(argument) + ": the port " + quoted(meter.port) + " is used twice";
        }
    }
    return {};
}

}  // namespace record
