#include "publish/meter_tick.h"

namespace publish {

QDateTime tickTime(runtime::DateTime when) {
    using runtime::TimePart;
    return QDateTime(QDate(TimePart(when, 1), TimePart(when, 3), TimePart(when, 5)),
                     QTime(TimePart(when, 6), TimePart(when, 7), TimePart(when, 8)));
}

}  // namespace publish
