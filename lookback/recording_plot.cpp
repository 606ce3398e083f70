#include "lookback/recording_plot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "runtime/local_time.h"

namespace lookback {
namespace {

const QColor kVoltageRed(0xFF, 0x00, 0x00);
const QColor kCurrentBlue(0x00, 0x00, 0xFF);
struct Range {
    double low = 0.0;
    double high = 1.0;
};

Range rangeOf(const std::vector<std::optional<double>>& values) {
    double low = 0.0, high = 0.0;
    for (const auto& v : values) {
        if (!v) continue;
        low = std::min(low, *v);
        high = std::max(high, *v);
    }
    if (high - low < 1e-9) high = low + 1.0;
    return {low, high + (high - low) * 0.05};
}

// A round step giving about `count` ticks over the span.
double niceStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) return m * power;
    }
    return 10.0 * power;
}

// Steps a clock reads well, from seconds (a short recording) to days.
constexpr double kTimeSteps[] = {1,    2,    5,    10,    15,    30,    60,    120,    300,    600,
                                 900,  1800, 3600, 7200,  10800, 21600, 43200, 86400, 172800, 604800};

QString timeLabel(std::int64_t wall, double step, bool withDate) {
    const std::string iso = runtime::IsoText({wall, 0});  // 2026-10-25T02:00:00+00:00
    QString label = QString::fromStdString(iso.substr(11, step < 60 ? 8 : 5));
    if (withDate) label.prepend(QString::fromStdString(iso.substr(5, 5)) + QLatin1Char(' '));
    return label;
}

// Ticks on whole steps of the local clock, labelled with its reading: the
// axis is the instants, so an hour the clock repeats or skips is drawn as it
// passed.
void drawTimeAxis(QPainter& painter, QRectF area, double x0, double x1) {
    double step = kTimeSteps[std::size(kTimeSteps) - 1];
    for (double candidate : kTimeSteps) {
        if ((x1 - x0) / candidate <= 10) {
            step = candidate;
            break;
        }
    }
    runtime::LocalZone zone;
    const auto first = std::int64_t(std::floor(x0));
    const int offset = zone.offsetAt(first);
    const bool withDate = x1 - x0 > 20 * 3600 || std::floor((x0 + offset) / 86400) != std::floor((x1 + offset) / 86400);
    for (double local = std::ceil((x0 + offset) / step) * step; local - offset <= x1; local += step) {
        const double t = local - offset;
        const double x = area.left() + (t - x0) / (x1 - x0) * area.width();
        painter.setPen(QColor(0xDD, 0xDD, 0xDD));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(Qt::black);
        const auto instant = std::int64_t(t);
        painter.drawText(QRectF(x - 50, area.bottom() + 4, 100, 18), Qt::AlignHCenter | Qt::AlignTop,
                         timeLabel(instant + zone.offsetAt(instant), step, withDate));
    }
}

void drawValueAxis(QPainter& painter, QRectF area, Range range, const QColor& colour, bool left, const QString& unit) {
    const double step = niceStep(range.high - range.low, 6);
    painter.setPen(colour);
    for (double v = std::ceil(range.low / step) * step; v <= range.high; v += step) {
        const double y = area.bottom() - (v - range.low) / (range.high - range.low) * area.height();
        const QRectF box = left ? QRectF(area.left() - 64, y - 9, 58, 18) : QRectF(area.right() + 6, y - 9, 58, 18);
        painter.drawText(box, (left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                         QString::number(v, 'g', 6));
    }
    const QRectF unitBox = left ? QRectF(area.left() - 64, area.top() - 24, 58, 18)
                                : QRectF(area.right() + 6, area.top() - 24, 58, 18);
    painter.drawText(unitBox, (left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, unit);
}

}  // namespace

QPainterPath seriesPath(const PlotSeries& series, const std::vector<std::optional<double>>& values, QRectF area,
                        double x0, double x1, double y0, double y1) {
    QPainterPath path;
    bool drawing = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i] || series.breakBefore[i]) drawing = false;
        if (!values[i]) continue;
        const QPointF point(area.left() + (series.times[i] - x0) / (x1 - x0) * area.width(),
                            area.bottom() - (*values[i] - y0) / (y1 - y0) * area.height());
        if (drawing) {
            path.lineTo(point);
        } else {
            path.moveTo(point);
            drawing = true;
        }
    }
    return path;
}

void drawRecording(QPainter& painter, QRectF bounds, const PlotSeries& series, const std::string& title) {
    painter.fillRect(bounds, Qt::white);
    const QRectF area = bounds.adjusted(72, 36, -72, -32);
    const double x0 = series.times.empty() ? 0.0 : series.times.front();
    const double x1 = series.times.empty() || series.times.back() <= x0 ? x0 + 60.0 : series.times.back();
    const Range volts = rangeOf(series.volts), amps = rangeOf(series.amps);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(bounds.left(), bounds.top() + 4, bounds.width(), 20), Qt::AlignHCenter,
                     QString::fromStdString(title));
    drawTimeAxis(painter, area, x0, x1);
    drawValueAxis(painter, area, volts, kVoltageRed, true, QStringLiteral("V"));
    drawValueAxis(painter, area, amps, kCurrentBlue, false, QStringLiteral("A"));
    painter.setPen(Qt::black);
    painter.drawRect(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kVoltageRed, 1.2));
    painter.drawPath(seriesPath(series, series.volts, area, x0, x1, volts.low, volts.high));
    painter.setPen(QPen(kCurrentBlue, 1.2));
    painter.drawPath(seriesPath(series, series.amps, area, x0, x1, amps.low, amps.high));
}

}  // namespace lookback
