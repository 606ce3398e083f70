#pragma once
// The line chart's property slots: typed reads and writes over ChartSettings
// and ChartData, with the two cursors that pick a cell. Still Qt-free.
#include "chart/chart_model.h"
#include "platform/unit.h"

namespace chart {

// Slot numbers as the form addresses them (0..7 belong to the framework).
enum Slot : int {
    kShowBorderSlot = 8,       // bool
    kBorderColourSlot = 9,     // colour
    kBackColourSlot = 10,      // colour, kNoColour = none
    kBackPictureSlot = 11,     // picture bytes
    kShowMarkersSlot = 12,     // bool
    kShowLegendSlot = 13,      // bool
    kChartTitleSlot = 14,      // text (markup)
    kTitleFontSlot = 15,       // font text
    kTitleColorSlot = 16,      // colour
    kXAxisCaptionSlot = 17,    // text
    kYAxisCaptionSlot = 18,    // text
    kAxisFontSlot = 19,        // font text
    kAxisColorSlot = 20,       // colour
    kMaxValueSlot = 21,        // int 0..10,000,000
    kGridDivisionsSlot = 22,   // int 1..100
    kShowGridSlot = 23,        // bool
    kLegendFontSlot = 24,      // font text
    kLegendColorSlot = 25,     // colour
    kSeriesCountSlot = 26,     // int 1..100
    kCurrentSeriesSlot = 27,   // int, out of range selects 0
    kSeriesNameSlot = 28,      // text of the current series
    kSeriesColorSlot = 29,     // colour of the current series
    kPointCountSlot = 30,      // int 1..100
    kCurrentPointSlot = 31,    // int, out of range selects 0
    kPointLabelSlot = 32,      // text of the current point
    kPointValueSlot = 33,      // double of the current cell
    kDepthSlot = 34,           // int 0..10
    kShowTipsSlot = 35,        // bool
    kTipTemplateSlot = 36,     // text (markup), "${v}" stands for the spot's text
    kFirstSlot = kShowBorderSlot,
    kLastSlot = kTipTemplateSlot,
};

// Bools read back as 1 or 0 and colours as their 32-bit pattern in an int.
class ChartModel {
public:
    platform::PropertyValue read(int slot) const;
    // Stores the value with its clamp. Slots outside 8..36 are ignored.
    void write(int slot, const platform::PropertyValue& value);

    const ChartSettings& settings() const { return m_settings; }
    const ChartData& data() const { return m_data; }
    int currentSeries() const { return m_currentSeries; }
    int currentPoint() const { return m_currentPoint; }

private:
    platform::PropertyValue readCursorCell(int slot) const;
    void writeCursorCell(int slot, const platform::PropertyValue& value);
    void writeDataShape(int slot, std::int32_t value);

    ChartSettings m_settings;
    ChartData m_data;
    int m_currentSeries = 0;
    int m_currentPoint = 0;
};

}  // namespace chart
