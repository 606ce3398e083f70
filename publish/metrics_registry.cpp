#include "publish/metrics_registry.h"

#include <array>
#include <charconv>
#include <functional>
#include <optional>

namespace publish {
namespace {

struct Family {
    std::string_view name;
    std::string_view type;
    std::string_view help;
    std::function<std::optional<double>(const MeterMetrics&)> value;
};

constexpr double kSecondsPerHour = 3600.0;

std::optional<double> scaled(const std::optional<double>& value, double factor) {
    if (!value) return std::nullopt;
    return *value * factor;
}

const std::array<Family, 14>& families() {
    static const std::array<Family, 14> table = {{
        {"kzrt_voltage_volts", "gauge", "Voltage read-out.", [](auto& m) { return m.numbers.voltage; }},
        {"kzrt_current_amperes", "gauge", "Current read-out.", [](auto& m) { return m.numbers.current; }},
        {"kzrt_power_watts", "gauge", "Power read-out.", [](auto& m) { return m.numbers.power; }},
        {"kzrt_resistance_ohms", "gauge", "Load resistance read-out.", [](auto& m) { return m.numbers.resistance; }},
        {"kzrt_temperature_celsius", "gauge", "Temperature read-out.", [](auto& m) { return m.numbers.temperature; }},
        {"kzrt_energy_joules_total", "counter", "Energy integrated since the start (the Wh read-out in joules).",
         [](auto& m) { return scaled(m.numbers.energyWh, kSecondsPerHour); }},
        {"kzrt_charge_coulombs_total", "counter", "Charge integrated since the start (the Ah read-out in coulombs).",
         [](auto& m) { return scaled(m.numbers.chargeAh, kSecondsPerHour); }},
        {"kzrt_frames_total", "counter", "Meter frames decoded.", [](auto& m) { return double(m.frames); }},
        {"kzrt_rows_written_total", "counter", "Rows written to the day files.",
         [](auto& m) { return double(m.rowsWritten); }},
        {"kzrt_row_write_failures_total", "counter", "Rows that could not be written.",
         [](auto& m) { return double(m.rowWriteFailures); }},
        {"kzrt_device_losses_total", "counter", "Times the meter's device went away.",
         [](auto& m) { return double(m.deviceLosses); }},
        {"kzrt_mqtt_dropped_total", "counter", "MQTT state messages dropped while the broker could not take them.",
         [](auto& m) { return double(m.mqttDropped); }},
        {"kzrt_mqtt_connected", "gauge", "1 while the meter's MQTT connection is up and accepted by the broker.",
         [](auto& m) -> std::optional<double> {
             if (!m.mqttConnected) return std::nullopt;
             return *m.mqttConnected ? 1.0 : 0.0;
         }},
        {"kzrt_up", "gauge",
         "1 while the meter records and decoded frames arrive within the staleness window (the MQTT availability).",
         [](auto& m) { return m.up ? 1.0 : 0.0; }},
    }};
    return table;
}

// Label values escape backslash, double quote and line feed.
void appendLabel(std::string& out, std::string_view meter) {
    out += "{meter=\"";
    for (const char c : meter) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    out += "\"}";
}

void appendNumber(std::string& out, double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

}  // namespace

MeterMetrics meterMetrics(const MeterTick& tick, std::uint64_t mqttDropped, std::optional<bool> mqttConnected) {
    return {readoutNumbers(tick.readouts), tick.frames, tick.rowsWritten, tick.rowWriteFailures, tick.deviceLosses,
            mqttDropped, mqttConnected, meterOnline(tick)};
}

std::string renderMetrics(const std::map<std::string, MeterMetrics>& meters) {
    std::string out;
    for (const Family& family : families()) {
        out.append("# HELP ").append(family.name).append(" ").append(family.help).append("\n");
        out.append("# TYPE ").append(family.name).append(" ").append(family.type).append("\n");
        for (const auto& [meter, metrics] : meters) {
            const std::optional<double> value = family.value(metrics);
            if (!value) continue;
            out.append(family.name);
            appendLabel(out, meter);
            out += ' ';
            appendNumber(out, *value);
            out += '\n';
        }
    }
    return out;
}

void MetricsRegistry::update(const std::string& meter, const MeterMetrics& metrics) {
    std::lock_guard lock(m_mutex);
    m_meters[meter] = metrics;
}

void MetricsRegistry::remove(const std::string& meter) {
    std::lock_guard lock(m_mutex);
    m_meters.erase(meter);
}

std::string MetricsRegistry::render() const {
    std::map<std::string, MeterMetrics> copy;
    {
        std::lock_guard lock(m_mutex);
        copy = m_meters;
    }
    return renderMetrics(copy);
}

}  // namespace publish
