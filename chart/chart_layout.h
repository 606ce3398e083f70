#pragma once
// Where every part of the chart goes, as pure arithmetic over the model and
// the sizes of its texts: margins, the plot frame, axis labels, grid lines,
// legend, the value-to-pixel mapping, and hit-testing on recorded hot spots.
// Text sizes come through TextMeasure, so tests run with fixed-size fake text
// and the painter supplies real font metrics.
#include <string_view>
#include <vector>

#include "chart/chart_properties.h"

namespace chart {

struct Size {
    int width = 0;
    int height = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    // Half-open: the right and bottom edges belong to the next rectangle.
    bool contains(int x, int y) const {
        return x >= left && x < right() && y >= top && y < bottom();
    }
    bool operator==(const Rect&) const = default;
};

struct PointF {
    double x = 0.0;
    double y = 0.0;
};

enum class TextRole { Title, Axis, Legend };

class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    // The size of a GBK text drawn in the font of its role. The title is
    // markup and measures as the block of its lines.
    virtual Size measure(TextRole role, std::string_view text) const = 0;
};

// A text with the rectangle it is drawn in.
struct PlacedText {
    Text text;
    Rect rect;
};

// A dotted grid line: from the value axis up and right by the depth offset,
// then straight to the right end of the plot shifted by the same offset.
struct GridLine {
    PointF start;
    PointF bend;
    PointF end;
};

struct LegendItem {
    int series = 0;
    Rect swatch;  // the short line in the series colour
    PlacedText name;
};

struct ChartLayout {
    Rect area;
    PlacedText title;
    PlacedText yCaption;
    PlacedText xCaption;
    int labelColumnWidth = 0;
    // The front plane of the plot; the back wall lies `depth` up and right.
    int plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
    int depth = 0;
    std::vector<PlacedText> valueLabels;  // "0" first; overlapping labels left out
    std::vector<PlacedText> pointLabels;  // non-empty labels that have room
    std::vector<GridLine> gridLines;
    std::vector<LegendItem> legend;

    int maxValue = 0;
    int pointCount = 1;

    // Point p on the point axis: spread from the value axis to the right end,
    // a single point in the middle.
    double pointX(int point) const;
    // Value v scaled against MaxValue: 0 on the point axis, MaxValue on the top
    // edge. Values above the scale keep rising (the painter clips them) but
    // stay within a bounded distance so coordinates remain sane.
    double valueY(double value) const;
};

// Fixed spacing of the frame, in pixels.
inline constexpr int kLabelGap = 20;        // label column to value axis, and its left margin
inline constexpr int kAxisStub = 15;        // the point axis reaches this far left of the origin
inline constexpr int kTitleMargin = 4;      // above the title
inline constexpr int kBelowTitle = 20;      // title to the caption row
inline constexpr int kBottomMargin = 30;    // below the point labels; holds the legend
inline constexpr int kRightMargin = 10;     // right of the x caption

// The value-axis labels for i = 1..divisions: round(i * maxValue / divisions)
// with halves rounded up.
std::vector<int> valueAxisLabels(int maxValue, int divisions);

ChartLayout computeLayout(const ChartModel& model, Rect area, const TextMeasure& measure);

// A rectangle under the mouse with the text that the tooltip shows for it.
struct HotSpot {
    Rect rect;
    Text text;
};

// The spot that a plotted point records: a small square round the point, with
// "name: value" (or the value alone for an unnamed series). Empty when the
// point lies outside the plot.
HotSpot pointHotSpot(const ChartLayout& layout, const ChartData& data, int series, int point);

// A value as the tooltip shows it: at most seven significant digits, so a
// single-precision sample shows as it was read ("12.345", not 12.3450002670288).
Text valueText(double value);

// The last recorded spot with a non-empty rectangle that contains (x, y), so
// a spot drawn later (on top) wins; nullptr when none does.
const HotSpot* hotSpotAt(const std::vector<HotSpot>& spots, int x, int y);

// The tooltip text at (x, y): the template with every "${v}" replaced by the
// spot's text; an empty text when no spot is there, so no tip shows.
Text tipTextAt(const Text& tipTemplate, const std::vector<HotSpot>& spots, int x, int y);

}  // namespace chart
