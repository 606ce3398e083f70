// The chart widget offscreen: repaint coalescing, painting, the tooltip window,
// and pictures of the live plot for people to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QMouseEvent>
#include <cmath>
#include <cstdlib>

#include "chart/line_chart_unit.h"
#include "platform/fonts.h"
#include "platform/qt_text.h"
#include "runtime/conversions.h"
#include "tests/event_loop.h"
#include "tests/test_application.h"

namespace chart {
namespace {

using runtime::Gbk;
using kzrt::testing::spinFor;
using kzrt::testing::spinUntil;

// The console's chart, 680 x 235 with two series over a minute of a bench
// supply: voltage wandering round `voltsBase` with a step half-way, current ramping.
void setUpLivePlot(LineChartUnit& chart, int maxValue = 100, double currentScale = 10.0, double voltsBase = 12.0) {
    chart.resize(680, 235);
    chart.writeProperty(kChartTitleSlot, Gbk("电压0-100V 电流0-10A 实时曲线图"));
    chart.writeProperty(kTitleFontSlot, Gbk("微软雅黑,-14,700"));
    chart.writeProperty(kAxisFontSlot, Gbk("微软雅黑,-12,400"));
    chart.writeProperty(kLegendFontSlot, Gbk("微软雅黑,-12,400"));
    chart.writeProperty(kXAxisCaptionSlot, Gbk("秒"));
    chart.writeProperty(kYAxisCaptionSlot, Gbk("V / A"));
    chart.writeProperty(kBackColourSlot, 0xFFFFFF);
    chart.writeProperty(kDepthSlot, 6);
    chart.writeProperty(kMaxValueSlot, maxValue);
    chart.writeProperty(kPointCountSlot, 60);
    for (int p : {0, 10, 20, 30, 40, 50, 59}) {
        chart.writeProperty(kCurrentPointSlot, p);
        chart.writeProperty(kPointLabelSlot, runtime::ToText(std::int32_t(p - 59)));
    }
    chart.writeProperty(kSeriesCountSlot, 2);
    for (const auto& [s, name, colour] : {std::tuple{0, "电压", 0x0000FF}, {1, "电流", 0xFF0000}}) {
        chart.writeProperty(kCurrentSeriesSlot, s);
        chart.writeProperty(kSeriesColorSlot, colour);
        chart.writeProperty(kSeriesNameSlot, Gbk(name));
    }
    for (int p = 0; p < 60; ++p) {
        const double volts = voltsBase * (1.0 + 0.25 * std::sin(p / 9.0)) + (p > 30 ? voltsBase / 3 : 0.0);
        const double amps = 0.5 + 0.08 * p + 0.3 * std::cos(p / 4.0);
        chart.writeProperty(kCurrentPointSlot, p);
        chart.writeProperty(kCurrentSeriesSlot, 0);
        chart.writeProperty(kPointValueSlot, double(float(volts)));
        chart.writeProperty(kCurrentSeriesSlot, 1);
        chart.writeProperty(kPointValueSlot, double(float(amps * currentScale)));
    }
}

ChartLayout layoutOf(const LineChartUnit& chart) {
    return computeLayout(chart.model(), Rect{0, 0, 680, 235}, FontTextMeasure(chart.style()));
}

void moveMouse(LineChartUnit& chart, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), chart.mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
}

QString artifactPath(const char* name) {
    const char* dir = std::getenv("KZRT_ARTIFACTS");
    const QString base = dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
    QDir().mkpath(base);
    return base + "/" + name;
}

class LineChartUnitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        kzrt::testing::application();
        platform::installFontSubstitutions();
    }
};

TEST_F(LineChartUnitTest, ManyWritesCostOnePaint) {
    LineChartUnit chart;
    chart.resize(680, 235);
    chart.show();
    ASSERT_TRUE(spinUntil([&] { return chart.renderCount() > 0; }));
    spinFor(200);  // let the first expose settle
    const int before = chart.renderCount();

    setUpLivePlot(chart);
    EXPECT_EQ(chart.renderCount(), before) << "a property write painted synchronously";
    ASSERT_TRUE(spinUntil([&] { return chart.renderCount() > before; }));
    spinFor(200);
    EXPECT_EQ(chart.renderCount(), before + 1);
}

TEST_F(LineChartUnitTest, TooltipShowsTheTemplateOverAPoint) {
    LineChartUnit chart;
    setUpLivePlot(chart);
    chart.writeProperty(kTipTemplateSlot, Gbk("<bold>${v}</bold>"));
    const ChartLayout layout = layoutOf(chart);
    const double volts = chart.model().data().value(0, 45);
    const QPoint onPoint(int(std::lround(layout.pointX(45))), int(std::lround(layout.valueY(volts))));

    const QString expected = platform::toQString(Gbk("<bold>电压: ") + valueText(volts) + "</bold>");
    chart.show();
    moveMouse(chart, onPoint);
    auto* tip = chart.findChild<LineChartTip*>(QStringLiteral("LineChartTip"));
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->isWindow());
    EXPECT_EQ(tip->text(), expected);
    tip->grab().save(artifactPath("chart-tooltip.png"));
    moveMouse(chart, QPoint(3, 3));
    EXPECT_FALSE(tip->isVisible());

    chart.writeProperty(kShowTipsSlot, 0);
    moveMouse(chart, onPoint);
    EXPECT_FALSE(tip->isVisible());
    chart.writeProperty(kShowTipsSlot, 1);
    chart.setDesignMode(true);
    moveMouse(chart, onPoint);
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(LineChartUnitTest, BackPictureFillsTheChart) {
    LineChartUnit chart;
    chart.resize(200, 100);
    QImage green(2, 2, QImage::Format_RGB32);
    green.fill(QColor(0, 200, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(green.save(&buffer, "PNG"));
    chart.writeProperty(kBackPictureSlot, Text(png.constData(), std::size_t(png.size())));
    EXPECT_EQ(chart.renderImage().pixelColor(1, 1), QColor(0, 200, 0));
    EXPECT_EQ(chart.renderImage().pixelColor(198, 98), QColor(0, 200, 0));

    chart.writeProperty(kBackPictureSlot, Text("not an image"));
    chart.writeProperty(kBackColourSlot, 0x0000FF);
    EXPECT_EQ(chart.renderImage().pixelColor(1, 1), QColor(255, 0, 0));
}

TEST_F(LineChartUnitTest, CollapsedWidgetDrawsNothing) {
    LineChartUnit chart;
    chart.resize(0, 0);
    EXPECT_TRUE(chart.renderImage().isNull());
    EXPECT_EQ(chart.tooltipTextAt(QPoint(0, 0)), QString());
}

// Pictures of the live plot in the three ranges for people to look at, each
// with its series, grid and background where the layout puts them.
TEST_F(LineChartUnitTest, PaintsSeriesGridAndBackground) {
    struct Range { const char* file; int maxValue; double currentScale; double volts; };
    for (const Range& range : {Range{"chart-range1.png", 10, 1.0, 5.0}, Range{"chart-range2.png", 100, 10.0, 24.0},
                               Range{"chart-range3.png", 100, 5.0, 48.0}}) {
        SCOPED_TRACE(range.file);
        LineChartUnit chart;
        setUpLivePlot(chart, range.maxValue, range.currentScale, range.volts);
        const QImage image = chart.renderImage();
        ASSERT_EQ(image.size(), QSize(680, 235));
        ASSERT_TRUE(image.save(artifactPath(range.file)));
        const ChartLayout layout = layoutOf(chart);
        EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
        // A voltage point (red, drawn first) and a current point (blue, on top). An
        // antialiased line covers its exact colour within a pixel of the point, on
        // whichever side the rounding of the font metrics put it.
        for (const auto& [series, colour] : {std::pair{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}}) {
            const int x = int(std::lround(layout.pointX(20)));
            const int y = int(std::lround(layout.valueY(chart.model().data().value(series, 20))));
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy) found |= image.pixelColor(x, y + dy) == colour;
            EXPECT_TRUE(found) << "series " << series << " at " << x << "," << y;
        }
        // The dotted grey grid: along a grid line's straight part some pixels are 0x808080.
        const GridLine& line = layout.gridLines.back();
        int grey = 0;
        for (int x = int(line.bend.x) + 2; x < int(line.end.x); ++x) {
            for (int dy = -1; dy <= 1; ++dy)
                if (image.pixelColor(x, int(std::lround(line.end.y)) + dy) == QColor(0x80, 0x80, 0x80)) ++grey;
        }
        EXPECT_GT(grey, 20);
        // The value axis in the axis colour (black), three quarters up: between grid lines, above the curves.
        EXPECT_EQ(image.pixelColor(layout.plotLeft, (3 * layout.plotTop + layout.plotBottom) / 4), QColor(Qt::black));
    }
}

}  // namespace
}  // namespace chart
