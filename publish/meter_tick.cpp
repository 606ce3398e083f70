#include "publish/meter_tick.h"

#include <QTimeZone>

#include "runtime/local_time.h"

namespace publish {

QDateTime tickTime(runtime::DateTime when) {
    // A reading just taken is not in the future: in the hour the clock is set
    // back, that tells which pass of the hour it belongs to.
    const runtime::ZonedTime time =
        runtime::LocalZone().resolve(runtime::ToWallSeconds(when), runtime::UtcSecondsNow() + 1);
    return QDateTime::fromSecsSinceEpoch(time.utcSeconds, QTimeZone(time.offsetSeconds));
}

}  // namespace publish
