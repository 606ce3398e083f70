#pragma once
// Drawing the chart with QPainter. Every step takes a painter and the laid-out
// geometry; none decides where anything goes (chart_layout does that).
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/text_markup.h"

class QPainter;

namespace chart {

// The toolkit-side state that drawing needs besides the model: the fonts made
// from the font texts, the decoded background picture and the window colour
// used when no background colour is set.
struct ChartStyle {
    QFont titleFont;
    QFont axisFont;
    QFont legendFont;
    QImage backPicture;
    QColor windowColour = Qt::white;
};

// Colour properties are RGB with red in the low byte.
QColor toQColor(Colour colour);

// Text sizes from real font metrics.
class FontTextMeasure : public TextMeasure {
public:
    explicit FontTextMeasure(const ChartStyle& style) : m_style(style) {}
    Size measure(TextRole role, std::string_view text) const override;

private:
    const ChartStyle& m_style;
};

// Paints the whole chart into `area` and returns the hot spots recorded while
// drawing, in drawing order.
std::vector<HotSpot> paintChart(QPainter& painter, const QRect& area, const ChartModel& model,
                                const ChartStyle& style);

// The chart as an off-screen image of `size` logical pixels.
QImage renderChart(const ChartModel& model, const ChartStyle& style, QSize size, qreal devicePixelRatio,
                   std::vector<HotSpot>* hotSpots);

// Markup drawing, shared by the title and the tooltip window.
QSize markupSize(const std::vector<MarkupLine>& lines, const QFont& font);
void drawMarkup(QPainter& painter, const QRect& rect, const std::vector<MarkupLine>& lines, const QFont& font,
                const QColor& textColour, Qt::Alignment alignment);

}  // namespace chart
