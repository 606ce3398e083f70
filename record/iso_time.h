#pragma once
// Local times as ISO 8601 with their UTC offset (2026-12-07T14:05:03+01:00),
// which spreadsheets and pandas read as times without being told the zone.
#include <QDateTime>
#include <string>

namespace record {

std::string isoLocalTime(const QDateTime& local);
std::string isoNow();

}  // namespace record
