#include "record/iso_time.h"

namespace record {

std::string isoLocalTime(const QDateTime& local) {
    const int offset = local.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    // Written out rather than Qt::ISODate, which prints "Z" for a zero offset
    // in some versions and nothing at all for local times in others.
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'))
               .toStdString();
}

std::string isoNow() { return isoLocalTime(QDateTime::currentDateTime()); }

}  // namespace record
