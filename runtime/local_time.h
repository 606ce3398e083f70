#pragma once
// Local wall-clock readings as instants, and the ISO 8601 text that every
// exported or published time is written in (2026-10-25T02:00:00+01:00).
//
// A wall-clock reading is not always one instant. In the hour the clock is
// set back it names two; in the hour the clock skips it names none. The rule
// used everywhere: of the instants a reading may name, take the latest one
// that is not after a bound. Rows read newest first take the instant just
// before their newer neighbour, so a day file's own order tells which pass of
// a repeated hour a row belongs to and the times come out strictly
// increasing; a reading just taken is bounded by the present. A reading the
// clock skipped keeps the offset in force before the skip, which names a real
// instant without inventing an hour.
#include <cstdint>
#include <string>

#include "runtime/date_time.h"

namespace runtime {

// A wall-clock reading as seconds since 1970-01-01 00:00 of the local
// calendar, as if that calendar had no offset.
using WallSeconds = std::int64_t;

WallSeconds ToWallSeconds(int year, int month, int day, int hour, int minute, int second);
// A date-time rounded down to its whole second.
WallSeconds ToWallSeconds(DateTime when);

struct ZonedTime {
    std::int64_t utcSeconds = 0;
    int offsetSeconds = 0;  // local minus UTC, in force at that instant
    WallSeconds wall() const { return utcSeconds + offsetSeconds; }
    friend bool operator==(const ZonedTime&, const ZonedTime&) = default;
};

// The present instant.
std::int64_t UtcSecondsNow();
// The local zone's offset from UTC at an instant, asked of the system each
// time (the platform half; LocalZone remembers the answers).
int SystemOffsetAt(std::int64_t utcSeconds);

// The process's local zone, asked once per quarter hour it is asked about.
// One per walk over many rows; the zone itself is read when it is made.
class LocalZone {
public:
    // The offset of local time from UTC at an instant.
    int offsetAt(std::int64_t utcSeconds);
    // The instant a reading names, by the rule above.
    ZonedTime resolve(WallSeconds wall, std::int64_t notAfterUtc);

private:
    struct Entry {
        std::int64_t quarter = INT64_MIN;
        int offset = 0;
    };
    Entry m_cache[64];
};

// "2026-10-25T02:00:00+01:00"; a zero offset is "+00:00", never "Z".
std::string IsoText(const ZonedTime& time);
// The one rule for a single reading: its instant by the rule above, as text.
std::string IsoLocalTime(WallSeconds wall, std::int64_t notAfterUtc);
// The present, as text.
std::string IsoNow();

}  // namespace runtime
