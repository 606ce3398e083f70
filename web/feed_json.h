#pragma once
// The JSON texts the page reads: one meter's state, one curve point, and
// numbers written shortest-first. Pure functions over plain values.
#include <cstdint>
#include <string>
#include <string_view>

#include "web/web_tick.h"

namespace web {

// A curve point: the row's time and its voltage and current, NaN where the
// meter was away or the read-out was not a number ("-OVLD-").
struct CurvePoint {
    std::int64_t ms = 0;  // milliseconds since the epoch
    float volts = 0.0f;
    float amps = 0.0f;
};

// The state a card shows, as JSON. `awaySinceMs` is 0 while the meter is not away.
std::string statusJson(const WebTick& tick, std::int64_t awaySinceMs);
CurvePoint curvePoint(const WebTick& tick);
// A JSON string literal of `text`, quotes included.
void appendJsonString(std::string& out, std::string_view text);
// A float as the shortest JSON number that reads back the same, or null.
void appendJsonNumber(std::string& out, float value);
void appendJsonInteger(std::string& out, std::int64_t value);

}  // namespace web
