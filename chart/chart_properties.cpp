#include "chart/chart_properties.h"

#include <algorithm>

namespace chart {

namespace {

using platform::PropertyValue;

PropertyValue fromBool(bool value) { return std::int32_t(value ? 1 : 0); }
PropertyValue fromColour(Colour value) { return std::int32_t(value); }
bool toBool(const PropertyValue& value) { return platform::toInt(value) != 0; }
Colour toColour(const PropertyValue& value) { return Colour(platform::toInt(value)); }

// The slots backed by a ChartSettings member of one kind. Listing them as
// member pointers keeps each kind's read and write rule in one place.
struct BoolSlot { int slot; bool ChartSettings::*member; };
struct ColourSlot { int slot; Colour ChartSettings::*member; };
struct TextSlot { int slot; Text ChartSettings::*member; };

constexpr BoolSlot kBoolSlots[] = {
    {kShowBorderSlot, &ChartSettings::showBorder}, {kShowMarkersSlot, &ChartSettings::showMarkers},
    {kShowLegendSlot, &ChartSettings::showLegend}, {kShowGridSlot, &ChartSettings::showGrid},
    {kShowTipsSlot, &ChartSettings::showTips},
};
constexpr ColourSlot kColourSlots[] = {
    {kBorderColourSlot, &ChartSettings::borderColour}, {kBackColourSlot, &ChartSettings::backColour},
    {kTitleColorSlot, &ChartSettings::titleColour},    {kAxisColorSlot, &ChartSettings::axisColour},
    {kLegendColorSlot, &ChartSettings::legendColour},
};
const TextSlot kTextSlots[] = {
    {kBackPictureSlot, &ChartSettings::backPicture},   {kChartTitleSlot, &ChartSettings::title},
    {kTitleFontSlot, &ChartSettings::titleFont},       {kXAxisCaptionSlot, &ChartSettings::xAxisCaption},
    {kYAxisCaptionSlot, &ChartSettings::yAxisCaption}, {kAxisFontSlot, &ChartSettings::axisFont},
    {kLegendFontSlot, &ChartSettings::legendFont},     {kTipTemplateSlot, &ChartSettings::tipTemplate},
};

template <typename Table>
const auto* findSlot(const Table& table, int slot) {
    for (const auto& entry : table)
        if (entry.slot == slot) return &entry;
    return static_cast<decltype(&table[0])>(nullptr);
}

}  // namespace

PropertyValue ChartModel::read(int slot) const {
    if (const auto* entry = findSlot(kBoolSlots, slot)) return fromBool(m_settings.*entry->member);
    if (const auto* entry = findSlot(kColourSlots, slot)) return fromColour(m_settings.*entry->member);
    if (const auto* entry = findSlot(kTextSlots, slot)) return m_settings.*entry->member;
    switch (slot) {
        case kMaxValueSlot: return std::int32_t(m_settings.maxValue);
        case kGridDivisionsSlot: return std::int32_t(m_settings.gridDivisions);
        case kDepthSlot: return std::int32_t(m_settings.depth);
        case kSeriesCountSlot: return std::int32_t(m_data.seriesCount());
        case kPointCountSlot: return std::int32_t(m_data.pointCount());
        case kCurrentSeriesSlot: return std::int32_t(m_currentSeries);
        case kCurrentPointSlot: return std::int32_t(m_currentPoint);
        default: return readCursorCell(slot);
    }
}

PropertyValue ChartModel::readCursorCell(int slot) const {
    switch (slot) {
        case kSeriesNameSlot: return m_data.seriesName(m_currentSeries);
        case kSeriesColorSlot: return fromColour(m_data.seriesColour(m_currentSeries));
        case kPointLabelSlot: return m_data.pointLabel(m_currentPoint);
        case kPointValueSlot: return m_data.value(m_currentSeries, m_currentPoint);
        default: return std::int32_t(0);
    }
}

void ChartModel::write(int slot, const PropertyValue& value) {
    if (const auto* entry = findSlot(kBoolSlots, slot)) {
        m_settings.*entry->member = toBool(value);
    } else if (const auto* entry = findSlot(kColourSlots, slot)) {
        m_settings.*entry->member = toColour(value);
    } else if (const auto* entry = findSlot(kTextSlots, slot)) {
        m_settings.*entry->member = platform::toText(value);
    } else if (slot == kMaxValueSlot) {
        m_settings.maxValue = std::clamp(platform::toInt(value), 0, kMaxMaxValue);
    } else if (slot == kGridDivisionsSlot) {
        m_settings.gridDivisions = std::clamp(platform::toInt(value), 1, kMaxGridDivisions);
    } else if (slot == kDepthSlot) {
        m_settings.depth = std::clamp(platform::toInt(value), 0, kMaxDepth);
    } else if (slot == kSeriesCountSlot || slot == kPointCountSlot ||
               slot == kCurrentSeriesSlot || slot == kCurrentPointSlot) {
        writeDataShape(slot, platform::toInt(value));
    } else {
        writeCursorCell(slot, value);
    }
}

void ChartModel::writeDataShape(int slot, std::int32_t value) {
    switch (slot) {
        case kSeriesCountSlot:
            if (m_data.setSeriesCount(value)) m_currentSeries = 0;
            break;
        case kPointCountSlot:
            if (m_data.setPointCount(value)) m_currentPoint = 0;
            break;
        case kCurrentSeriesSlot:
            m_currentSeries = (value >= 0 && value < m_data.seriesCount()) ? value : 0;
            break;
        case kCurrentPointSlot:
            m_currentPoint = (value >= 0 && value < m_data.pointCount()) ? value : 0;
            break;
        default: break;
    }
}

void ChartModel::writeCursorCell(int slot, const PropertyValue& value) {
    switch (slot) {
        case kSeriesNameSlot: m_data.setSeriesName(m_currentSeries, platform::toText(value)); break;
        case kSeriesColorSlot: m_data.setSeriesColour(m_currentSeries, toColour(value)); break;
        case kPointLabelSlot: m_data.setPointLabel(m_currentPoint, platform::toText(value)); break;
        case kPointValueSlot:
            m_data.setValue(m_currentSeries, m_currentPoint, platform::toDouble(value));
            break;
        default: break;
    }
}

}  // namespace chart
