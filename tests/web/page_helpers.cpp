#include "tests/web/page_helpers.h"

#include <QDir>
#include <QJsonArray>

#include <signal.h>

#include "tests/record/recorder_process.h"

namespace web::testing {

Card cardOf(Browser& browser, const std::string& meter) {
    const QString script = QStringLiteral(
        "(() => { const c = document.querySelector('[data-meter=\"%1\"]'); if (!c) return null;"
        " return { clock: c.querySelector('[data-c=\"clock\"]').textContent,"
        " values: [...c.querySelectorAll('.readouts dd')].map(d => d.textContent),"
        " state: c.querySelector('.state').dataset.state }; })()").arg(QString::fromStdString(meter));
    const QJsonObject shown = browser.evaluate(script).toObject();
    Card card;
    if (shown.isEmpty()) return card;
    card.found = true;
    card.clock = shown.value("clock").toString().toStdString();
    card.state = shown.value("state").toString().toStdString();
    for (const QJsonValue& value : shown.value("values").toArray()) card.values.push_back(value.toString().toStdString());
    return card;
}

std::vector<lookback::DayRow> dayRows(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".csv") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<lookback::DayRow> rows;
    for (const auto& file : files) {
        for (const lookback::DayRow& row : lookback::readDayFile(record::testing::readBytes(file)).rows) rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const lookback::DayRow& a, const lookback::DayRow& b) {
        return epochSeconds(a) < epochSeconds(b);
    });
    return rows;
}

std::string clockText(const lookback::DayRow& row) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", row.year, row.month, row.day, row.hour,
                  row.minute, row.second);
    return text;
}

std::int64_t epochSeconds(const lookback::DayRow& row) {
    return QDateTime(QDate(row.year, row.month, row.day), QTime(row.hour, row.minute, row.second)).toSecsSinceEpoch();
}

CurvePixels curvePixels(const QImage& image) {
    CurvePixels pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 70 && c.blue() < 70) ++pixels.red;
            if (c.blue() > 200 && c.red() < 70 && c.green() < 70) ++pixels.blue;
        }
    }
    return pixels;
}

QString artifactPath(const QString& name) {
    const QString dir = qEnvironmentVariable("KZRT_ARTIFACTS", QStringLiteral("."));
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

}  // namespace web::testing
