#pragma once
// A span of time asked for with ISO 8601 bounds: `--from` and `--to` on the
// command line, from and to of a page's request.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace lookback {

struct TimeSpan {
    std::int64_t fromUtc = std::numeric_limits<std::int64_t>::min();  // inclusive
    std::int64_t toUtc = std::numeric_limits<std::int64_t>::max();    // inclusive
    bool contains(std::int64_t utc) const { return utc >= fromUtc && utc <= toUtc; }
};

enum class SpanEdge { From, To };

// "2026-12-07", "2026-12-07T14:05", "2026-12-07T14:05:03" (a space may stand
// for the T), each with an optional "Z", "+01:00", "+0100" or "+01". A date
// alone is the start of that day for From and its last second for To. A time
// without an offset is read on the local clock: the earliest instant it may
// name for From, the latest for To (an hour the clock repeats is taken whole).
// Nothing for anything else, impossible dates included.
std::optional<std::int64_t> parseSpanEdge(std::string_view text, SpanEdge edge);

// Both edges, either of which may be empty (no limit on that side); empty
// on success, else the reason, naming the option.
std::string parseTimeSpan(std::string_view from, std::string_view to, TimeSpan& span);

}  // namespace lookback
