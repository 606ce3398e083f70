#pragma once
// The line chart's state as plain values: the data set reached through two
// cursors, and every stored property. No Qt here, so the rules for clamping,
// resizing and cursor reads are tested without a widget.
#include <cstdint>
#include <vector>

#include "runtime/gbk_codec.h"

namespace chart {

using runtime::Text;

// 24-bit RGB with red in the low byte (0x00BBGGRR), the layout of Windows
// colour values. Converted to a QColor only when painting.
using Colour = std::uint32_t;

// The background colour property uses values with a high byte as "no colour".
constexpr Colour kNoColour = 0xFF000000;
// What a colour read answers when the series cursor points at nothing.
constexpr Colour kMissingColour = 0xFFFFFF;
// Colour of a series that a larger series count brings in (RGB 200, 10, 10).
constexpr Colour kNewSeriesColour = 0x0A0AC8;

constexpr int kMaxSeries = 100;
constexpr int kMaxPoints = 100;
constexpr int kMaxMaxValue = 10'000'000;
constexpr int kMaxGridDivisions = 100;
constexpr int kMaxDepth = 10;
constexpr double kMaxPointValue = 10'000'000.0;

// The cells of S series over P labelled points. Values are stored point-major:
// the cell of point p and series s sits at S*p + s, so one point's values lie
// side by side as the console fills them.
//
// Changing a count keeps what both sizes share: the first min(old, new) points
// with their labels and cells, the first min(old, new) series with their names,
// colours and cells. New cells hold 0.0, new points an empty label, new series
// an empty name and kNewSeriesColour. Writing the same count changes nothing.
//
// A series count write therefore never clears the curves. The live plot writes
// the count 2 on every range selection, and the automatic range step selects a
// range on every tick while a reading stays high; clearing there would wipe the
// last minute of curve each second and leave the user looking at one point.
class ChartData {
public:
    // One series "销售金额" in red over one point "一月" holding 10.0.
    ChartData();

    int seriesCount() const { return m_seriesCount; }
    int pointCount() const { return m_pointCount; }
    // Clamped to 1..kMaxSeries / 1..kMaxPoints; true when the count changed.
    bool setSeriesCount(int count);
    bool setPointCount(int count);

    // Reads out of range give 0.0, an empty text and kMissingColour; writes out
    // of range are ignored.
    double value(int series, int point) const;
    void setValue(int series, int point, double value);
    const Text& seriesName(int series) const;
    void setSeriesName(int series, Text name);
    Colour seriesColour(int series) const;
    void setSeriesColour(int series, Colour colour);
    const Text& pointLabel(int point) const;
    void setPointLabel(int point, Text label);

    // The value a write stores: below 0 (and NaN) gives 0, 10,000,000 or more
    // gives 10,000,000.
    static double clampValue(double value);

private:
    bool validSeries(int series) const { return series >= 0 && series < m_seriesCount; }
    bool validPoint(int point) const { return point >= 0 && point < m_pointCount; }

    int m_seriesCount = 1;
    int m_pointCount = 1;
    std::vector<Text> m_seriesNames;
    std::vector<Colour> m_seriesColours;
    std::vector<Text> m_pointLabels;
    std::vector<double> m_values;  // point-major, S*p + s
};

// The stored properties that are not part of the data set. Fonts are texts
// "face,height,weight" (see font_text.h); an empty text means the default
// interface font.
struct ChartSettings {
    bool showBorder = false;          // 8: a frame round the whole chart
    Colour borderColour = 0x646464;   // 9: the platform's window-frame grey
    Colour backColour = kNoColour;    // 10: none: the window's own background
    Text backPicture;                 // 11: image bytes, stretched over the chart
    bool showMarkers = false;         // 12: a dot on every plotted point
    bool showLegend = true;           // 13
    Text title;                       // 14
    Text titleFont;                   // 15
    Colour titleColour = 0x000000;    // 16: window-text black
    Text xAxisCaption;                // 17
    Text yAxisCaption;                // 18
    Text axisFont;                    // 19
    Colour axisColour = 0x000000;     // 20
    int maxValue = 100;               // 21: 0..10,000,000
    int gridDivisions = 10;           // 22: 1..100
    bool showGrid = true;             // 23
    Text legendFont;                  // 24
    Colour legendColour = 0x000000;   // 25
    int depth = 0;                    // 34: depth offset in pixels, 0..10; 0 is flat
    bool showTips = true;             // 35
    Text tipTemplate;                 // 36

    ChartSettings();
};

}  // namespace chart
