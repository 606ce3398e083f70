#include "web/look_back.h"

#include <QDateTime>

#include "lookback/day_file_list.h"
#include "lookback/export_csv.h"
#include "lookback/plot_json.h"
#include "lookback/plot_series.h"
#include "lookback/span_join.h"
#include "lookback/time_span.h"
#include "web/feed_json.h"
#include "web/plain_file.h"

namespace web {
namespace {

LookBackAnswer refusal(unsigned status, std::string reason) {
    return LookBackAnswer{status, std::move(reason) + "\n", "text/plain; charset=utf-8", {}};
}

}  // namespace

const LookBackMeter* LookBack::meterAt(const std::string& index) const {
    if (index.empty() || index.size() > 4 || index.find_first_not_of("0123456789") != std::string::npos) return nullptr;
    const std::size_t i = std::stoul(index);
    return i < m_meters.size() ? &m_meters[i] : nullptr;
}

LookBackAnswer LookBack::files() const {
    std::string out = "{\"meters\":[";
    for (const LookBackMeter& meter : m_meters) {
        if (&meter != &m_meters.front()) out += ',';
        out += "{\"name\":";
        appendJsonString(out, meter.name);
        out += ",\"files\":[";
        bool comma = false;
        for (const lookback::DayFileInfo& file : lookback::listDayFiles(meter.folder)) {
            if (!file.recording) continue;
            if (comma) out += ',';
            comma = true;
            out += "{\"name\":";
            appendJsonString(out, file.name);
            out += ",\"date\":";
            appendJsonString(out, file.date);
            out += ",\"rows\":";
            appendJsonInteger(out, file.rows);
            out += ",\"bytes\":";
            appendJsonInteger(out, file.bytes);
            out += '}';
        }
        out += "]}";
    }
    out += "]}";
    return LookBackAnswer{200, std::move(out), "application/json", {}};
}

LookBackAnswer LookBack::span(const std::string& meterIndex, const std::string& from, const std::string& to,
                              bool csv) const {
    const LookBackMeter* meter = meterAt(meterIndex);
    if (meter == nullptr) return refusal(404, "No such meter.");
    lookback::TimeSpan span;
    if (std::string why = lookback::parseTimeSpan(from, to, span); !why.empty()) return refusal(400, why);
    if (!from.empty() && !to.empty()) {
        if (span.fromUtc > span.toUtc) return refusal(400, "The span's start (from) is after its end (to).");
        if ((span.toUtc - span.fromUtc) / 86400 > lookback::kLongestSpanDays) {
            return refusal(400, "The span is longer than ten years.");
        }
    }
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    lookback::SpanRows rows = lookback::readFolderSpan(meter->folder, span, now);
    if (rows.failure != lookback::SpanFailure::None) {
        // The page names the meter, not where its files are on this machine.
        std::string why = rows.error;
        for (std::size_t at = why.find(meter->folder); at != std::string::npos; at = why.find(meter->folder)) {
            why.replace(at, meter->folder.size(), meter->name);
        }
        return refusal(400, why);
    }
    if (csv) {
        return LookBackAnswer{200, lookback::exportCsv(rows.rows), "text/csv; charset=utf-8",
                              meter->name + "-span.csv"};
    }
    std::string body = lookback::plotJson(lookback::plotSeries(rows.rows));
    body.pop_back();  // the notes go beside the series
    body += ",\"notes\":[";
    for (const std::string& note : rows.notes) {
        if (&note != &rows.notes.front()) body += ',';
        appendJsonString(body, note);
    }
    body += "]}";
    return LookBackAnswer{200, std::move(body), "application/json", {}};
}

LookBackAnswer LookBack::dayFile(const std::string& meterIndex, const std::string& name) const {
    const LookBackMeter* meter = meterAt(meterIndex);
    if (meter == nullptr) return refusal(404, "No such meter.");
    for (const lookback::DayFileInfo& file : lookback::listDayFiles(meter->folder)) {
        if (file.name != name || !file.recording) continue;
        std::optional<std::string> bytes = readPlainFile(file.path);
        if (!bytes) return refusal(404, "That day file cannot be read now.");
        return LookBackAnswer{200, std::move(*bytes), "text/csv; charset=gbk", file.name};
    }
    return refusal(404, "No such day file.");
}

}  // namespace web
