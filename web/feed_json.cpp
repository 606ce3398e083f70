#include "web/feed_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace web {
namespace {

// The number a read-out text shows, or NaN ("-OVLD-", empty).
float readoutNumber(const std::string& text) {
    float value = NAN;
    const char* begin = text.data();
    if (!text.empty() && text.front() == '+') ++begin;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return NAN;
    return value;
}

void appendDouble(std::string& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendJsonNumber(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendJsonInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

CurvePoint curvePoint(const WebTick& tick) {
    CurvePoint point;
    point.ms = tick.meter.time.toMSecsSinceEpoch();
    if (tick.meter.deviceAway) {
        point.volts = point.amps = NAN;
        return point;
    }
    point.volts = readoutNumber(tick.meter.readouts.voltage);
    point.amps = readoutNumber(tick.meter.readouts.current);
    return point;
}

std::string statusJson(const WebTick& tick, std::int64_t awaySinceMs) {
    const publish::MeterTick& meter = tick.meter;
    const publish::ReadoutTexts& r = meter.readouts;
    std::string out = "{\"time\":";
    appendJsonInteger(out, meter.time.toMSecsSinceEpoch());
    out += ",\"clock\":";
    appendJsonString(out, meter.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString());
    out += ",\"r\":[";
    const std::string* texts[] = {&r.voltage, &r.current, &r.power, &r.resistance, &r.energyWh, &r.chargeAh,
                                  &r.temperature};
    for (const std::string* text : texts) {
        if (text != texts[0]) out += ',';
        appendJsonString(out, *text);
    }
    out += "],\"state\":";
    const char* state = !tick.stopReason.empty() ? "stopped" : meter.deviceAway ? "away" : "recording";
    appendJsonString(out, state);
    out += ",\"why\":";
    appendJsonString(out, tick.stopReason);
    out += ",\"awaySince\":";
    appendJsonInteger(out, awaySinceMs);
    out += ",\"elapsed\":";
    appendJsonInteger(out, tick.elapsedSeconds);
    out += ",\"rows\":";
    appendJsonInteger(out, std::int64_t(meter.rowsWritten));
    out += ",\"failures\":";
    appendJsonInteger(out, std::int64_t(meter.rowWriteFailures));
    out += ",\"losses\":";
    appendJsonInteger(out, std::int64_t(meter.deviceLosses));
    out += ",\"wh\":";
    appendDouble(out, tick.wattHours);
    out += ",\"ah\":";
    appendDouble(out, tick.ampereHours);
    out += ",\"below\":";
    appendJsonInteger(out, tick.secondsBelow);
    out += '}';
    return out;
}

}  // namespace web
