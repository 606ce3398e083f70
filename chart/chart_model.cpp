#include "chart/chart_model.h"

#include <algorithm>
#include <cmath>

namespace chart {

namespace {
const Text kEmptyText;
}

ChartData::ChartData()
    : m_seriesNames{runtime::Gbk("销售金额")},
      m_seriesColours{0x0000FF},
      m_pointLabels{runtime::Gbk("一月")},
      m_values{10.0} {}

bool ChartData::setSeriesCount(int count) {
    count = std::clamp(count, 1, kMaxSeries);
    if (count == m_seriesCount) return false;
    // Rebuild the point-major cell list for the new stride, carrying over the
    // series that both sizes share.
    const int kept = std::min(count, m_seriesCount);
    std::vector<double> values(std::size_t(count) * std::size_t(m_pointCount), 0.0);
    for (int p = 0; p < m_pointCount; ++p)
        for (int s = 0; s < kept; ++s)
            values[std::size_t(p) * count + s] = m_values[std::size_t(p) * m_seriesCount + s];
    m_values = std::move(values);
    m_seriesNames.resize(std::size_t(count));
    m_seriesColours.resize(std::size_t(count), kNewSeriesColour);
    m_seriesCount = count;
    return true;
}

bool ChartData::setPointCount(int count) {
    count = std::clamp(count, 1, kMaxPoints);
    if (count == m_pointCount) return false;
    // Point-major storage makes this a plain resize: the first points keep
    // their cells, new points are appended as zeros.
    m_values.resize(std::size_t(count) * std::size_t(m_seriesCount), 0.0);
    m_pointLabels.resize(std::size_t(count));
    m_pointCount = count;
    return true;
}

double ChartData::value(int series, int point) const {
    if (!validSeries(series) || !validPoint(point)) return 0.0;
    return m_values[std::size_t(point) * m_seriesCount + series];
}

void ChartData::setValue(int series, int point, double value) {
    if (!validSeries(series) || !validPoint(point)) return;
    m_values[std::size_t(point) * m_seriesCount + series] = clampValue(value);
}

const Text& ChartData::seriesName(int series) const {
    return validSeries(series) ? m_seriesNames[std::size_t(series)] : kEmptyText;
}

void ChartData::setSeriesName(int series, Text name) {
    if (validSeries(series)) m_seriesNames[std::size_t(series)] = std::move(name);
}

Colour ChartData::seriesColour(int series) const {
    return validSeries(series) ? m_seriesColours[std::size_t(series)] : kMissingColour;
}

void ChartData::setSeriesColour(int series, Colour colour) {
    if (validSeries(series)) m_seriesColours[std::size_t(series)] = colour;
}

const Text& ChartData::pointLabel(int point) const {
    return validPoint(point) ? m_pointLabels[std::size_t(point)] : kEmptyText;
}

void ChartData::setPointLabel(int point, Text label) {
    if (validPoint(point)) m_pointLabels[std::size_t(point)] = std::move(label);
}

double ChartData::clampValue(double value) {
    // NaN would poison the scaling and the tooltip text; it stores as 0 like
    // any other value that is not a non-negative amount.
    if (std::isnan(value) || value < 0.0) return 0.0;
    return std::min(value, kMaxPointValue);
}

ChartSettings::ChartSettings()
    : title(runtime::Gbk("曲线图")),
      xAxisCaption(runtime::Gbk("月份")),
      yAxisCaption(runtime::Gbk("万元")),
      tipTemplate("${v}") {}

}  // namespace chart
