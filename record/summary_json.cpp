#include "record/summary_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace record {
namespace {

QJsonValue optionalNumber(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject summaryObject(const RunSummary& s) {
    return QJsonObject{
        {"name", QString::fromStdString(s.name)},
        {"port", QString::fromStdString(s.port)},
        {"start", QString::fromStdString(s.startTime)},
        {"end", QString::fromStdString(s.endTime)},
        {"duration_s", qint64(s.durationSeconds)},
        {"charge_Ah", s.ampereHours},
        {"energy_Wh", s.wattHours},
        {"start_V", optionalNumber(s.startVolts)},
        {"end_V", optionalNumber(s.endVolts)},
        {"min_V", optionalNumber(s.minimumVolts)},
        {"max_A", optionalNumber(s.maximumAmps)},
        {"rows", qint64(s.rowsWritten)},
        {"rows_failed", qint64(s.rowWriteFailures)},
        {"rows_waiting", qint64(s.rowsWaiting)},
        {"device_losses", s.deviceLosses},
        {"device_returns", s.deviceReturns},
        {"stopped_by", QString::fromLatin1(stopReasonName(s.stopReason))},
    };
}

std::string number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string optionalText(const char* format, const std::optional<double>& value) {
    return value ? number(format, *value) : std::string("-");
}

}  // namespace

QByteArray summaryJson(const std::vector<RunSummary>& summaries) {
    QJsonArray meters;
    for (const RunSummary& summary : summaries) meters.append(summaryObject(summary));
    return QJsonDocument(QJsonObject{{"meters", meters}}).toJson(QJsonDocument::Indented);
}

std::string summaryLine(const RunSummary& s) {
    return "summary " + (s.name.empty() ? s.port : s.name) + " port=" + s.port +
           " duration_s=" + std::to_string(s.durationSeconds) + " charge_Ah=" + number("%.6f", s.ampereHours) +
           " energy_Wh=" + number("%.6f", s.wattHours) + " start_V=" + optionalText("%.4f", s.startVolts) +
           " end_V=" + optionalText("%.4f", s.endVolts) + " min_V=" + optionalText("%.4f", s.minimumVolts) +
           " max_A=" + optionalText("%.4f", s.maximumAmps) + " rows=" + std::to_string(s.rowsWritten) +
           " failed=" + std::to_string(s.rowWriteFailures) + " waiting=" + std::to_string(s.rowsWaiting) +
           " losses=" + std::to_string(s.deviceLosses) + " returns=" + std::to_string(s.deviceReturns) +
           " stopped_by=" + stopReasonName(s.stopReason) + " start=" + s.startTime + " end=" + s.endTime;
}

}  // namespace record
