#pragma once
// The line chart as a window unit: property slots 8..36 over a ChartModel,
// painted from an off-screen image, with a tooltip window over its points.
//
// Property notes for callers:
//  - Colours are RGB with red in the low byte. The background colour (10)
//    takes 0xFF000000 as "none": the window's own background shows.
//  - Fonts (15, 19, 24) are GBK texts "face,height,weight", for example
//    "微软雅黑,-12,400"; see font_text.h. An empty text is the default font.
//  - The title (14) and tooltip template (36) may use the markup of
//    text_markup.h; "${v}" in the template stands for the text of the spot
//    under the mouse: "series name: value" of the nearest plotted point.
//  - The open slots are: 8 border on/off with 9 its colour, 12 point markers,
//    13 legend, 23 grid, 34 depth offset in pixels (0 flat, up to 10),
//    35 tooltips on/off.
//  - Writing the series count (26) or point count (30) never clears the
//    stored points: series and points that both sizes share keep their
//    values, and writing the count the chart already has changes nothing.
//
// A write never paints: it marks the picture stale and schedules one repaint,
// so the 2 x n writes of a curve tick cost one paint.
#include <QWidget>
#include <memory>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_painter.h"
#include "chart/chart_properties.h"
#include "platform/unit.h"

namespace chart {

class LineChartTip;

class LineChartUnit : public QWidget, public platform::Unit {
    Q_OBJECT
public:
    explicit LineChartUnit(QWidget* parent = nullptr);
    ~LineChartUnit() override;

    platform::PropertyValue readProperty(int slot) const override;
    void writeProperty(int slot, const platform::PropertyValue& value) override;

    // In design mode the chart shows no tooltip.
    void setDesignMode(bool designMode);
    bool designMode() const { return m_designMode; }

    // The text the tooltip window shows with the mouse at `position` (widget
    // coordinates); empty where no hot spot is, or in design mode.
    QString tooltipTextAt(QPoint position) const;

    const ChartModel& model() const { return m_model; }
    // The chart as it would be painted now, and what it is drawn with.
    QImage renderImage() const;
    ChartStyle style() const;
    // How many times the picture was drawn; the repaint coalescing is tested with it.
    int renderCount() const { return m_renderCount; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyFont(int slot);
    void applyBackPicture();
    void invalidate();
    void ensureRendered() const;
    void updateTip(QPoint position);

    ChartModel m_model;
    QFont m_titleFont;
    QFont m_axisFont;
    QFont m_legendFont;
    QImage m_backPicture;
    bool m_designMode = false;

    // The off-screen picture and the hot spots recorded while drawing it.
    mutable QImage m_picture;
    mutable std::vector<HotSpot> m_hotSpots;
    mutable bool m_pictureStale = true;
    mutable int m_renderCount = 0;
    bool m_repaintScheduled = false;

    LineChartTip* m_tip = nullptr;
};

// The tooltip window (class and object name "LineChartTip"): a small frameless top-level
// window that draws its text with the chart's markup.
class LineChartTip : public QWidget {
    Q_OBJECT
public:
    explicit LineChartTip(QWidget* owner);
    void showText(const QString& markup, const QPoint& globalPosition);
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

}  // namespace chart
