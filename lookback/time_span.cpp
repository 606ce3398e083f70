#include "lookback/time_span.h"

#include <charconv>
#include <tuple>

#include "runtime/local_time.h"

namespace lookback {
namespace {

// Exactly `digits` decimal digits, moved past.
bool number(std::string_view& text, std::size_t digits, int& value) {
    if (text.size() < digits) return false;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return true;
}

bool literal(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

bool validDate(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= (month == 2 && leap ? 29 : kDays[month - 1]);
}

// "Z", "+01:00", "+0100", "+01"; the offset in seconds.
std::optional<int> offset(std::string_view text) {
    if (text == "Z" || text == "z") return 0;
    if (text.empty() || (text.front() != '+' && text.front() != '-')) return std::nullopt;
    const int sign = text.front() == '-' ? -1 : 1;
    text.remove_prefix(1);
    int hours = 0, minutes = 0;
    if (!number(text, 2, hours)) return std::nullopt;
    if (!text.empty()) {
        literal(text, ':');
        if (!number(text, 2, minutes) || !text.empty()) return std::nullopt;
    }
    if (hours > 14 || minutes > 59) return std::nullopt;
    return sign * (hours * 3600 + minutes * 60);
}

}  // namespace

std::optional<std::int64_t> parseSpanEdge(std::string_view text, SpanEdge edge) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!number(text, 4, year) || !literal(text, '-') || !number(text, 2, month) || !literal(text, '-') ||
        !number(text, 2, day) || !validDate(year, month, day)) {
        return std::nullopt;
    }
    const bool dateOnly = text.empty();
    if (!dateOnly) {
        if (!literal(text, 'T') && !literal(text, 't') && !literal(text, ' ')) return std::nullopt;
        if (!number(text, 2, hour) || !literal(text, ':') || !number(text, 2, minute)) return std::nullopt;
        if (!text.empty() && text.front() == ':' && (text.remove_prefix(1), !number(text, 2, second))) {
            return std::nullopt;
        }
        if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    }
    runtime::WallSeconds wall = runtime::ToWallSeconds(year, month, day, hour, minute, second);
    if (dateOnly && edge == SpanEdge::To) wall += 86'400 - 1;
    if (!text.empty()) {
        const std::optional<int> given = offset(text);
        if (!given) return std::nullopt;
        return wall - *given;
    }
    const std::int64_t bound =
        edge == SpanEdge::From ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    return runtime::LocalZone().resolve(wall, bound).utcSeconds;
}

std::string parseTimeSpan(std::string_view from, std::string_view to, TimeSpan& span) {
    span = {};
    for (const auto& [text, edge, name] : {std::tuple(from, SpanEdge::From, "--from"), std::tuple(to, SpanEdge::To, "--to")}) {
        if (text.empty()) continue;
        const std::optional<std::int64_t> utc = parseSpanEdge(text, edge);
        if (!utc) {
            return std::string(name) + " " + std::string(text) +
                   ": not an ISO 8601 date or time (2026-12-07, 2026-12-07T14:05, 2026-12-07T14:05:03+01:00)";
        }
        (edge == SpanEdge::From ? span.fromUtc : span.toUtc) = *utc;
    }
    if (span.fromUtc > span.toUtc) return "--from " + std::string(from) + " is after --to " + std::string(to);
    return {};
}

}  // namespace lookback
