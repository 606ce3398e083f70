// The chart widget offscreen: repaint coalescing, painting, the tooltip window,
// and a picture of the live plot for people to look at.
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

namespace chart {
namespace {

using runtime::Gbk;

QApplication& application() {
    static int argc = 1;
    static char name[] = "chart-test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* app = new QApplication(argc, argv);
        platform::installFontSubstitutions();
        return app;
    }();
    return *instance;
}

// Runs queued events until `done` holds or a generous number of rounds passed.
template <typename Condition>
bool spinUntil(Condition done) {
    for (int round = 0; round < 200 && !done(); ++round) QCoreApplication::processEvents();
    return done();
}

// The console's chart: two series over a minute of points.
void setUpLivePlot(LineChartUnit& chart) {
    chart.writeProperty(kChartTitleSlot, Gbk("电压0-100V 电流0-10A 实时曲线图"));
    chart.writeProperty(kTitleFontSlot, Gbk("微软雅黑,-14,700"));
    chart.writeProperty(kAxisFontSlot, Gbk("微软雅黑,-12,400"));
    chart.writeProperty(kLegendFontSlot, Gbk("微软雅黑,-12,400"));
    chart.writeProperty(kXAxisCaptionSlot, Gbk("秒"));
    chart.writeProperty(kYAxisCaptionSlot, Gbk("V / A"));
    chart.writeProperty(kBackColourSlot, 0xFFFFFF);
    chart.writeProperty(kDepthSlot, 6);
    chart.writeProperty(kPointCountSlot, 60);
    for (int p = 0; p < 60; p += 10) {
        chart.writeProperty(kCurrentPointSlot, p);
        chart.writeProperty(kPointLabelSlot, runtime::ToText(std::int32_t(p - 59)));
    }
    chart.writeProperty(kCurrentPointSlot, 59);
    chart.writeProperty(kPointLabelSlot, Text{"0"});
    chart.writeProperty(kSeriesCountSlot, 2);
    const char* names[] = {"电压", "电流"};
    const Colour colours[] = {0x0000FF, 0xFF0000};
    for (int s = 0; s < 2; ++s) {
        chart.writeProperty(kCurrentSeriesSlot, s);
        chart.writeProperty(kSeriesColorSlot, std::int32_t(colours[s]));
        chart.writeProperty(kSeriesNameSlot, Gbk(names[s]));
    }
}

// A minute of a bench supply: voltage wandering round `volts` with a step
// half-way, current ramping.
void fillMinute(LineChartUnit& chart, int maxValue, double currentScale, double voltsBase = 12.0) {
    chart.writeProperty(kMaxValueSlot, maxValue);
    chart.writeProperty(kGridDivisionsSlot, 10);
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

ChartStyle styleOf(const LineChartUnit& chart) { return chart.style(); }

QString artifactPath(const char* name) {
    const char* dir = std::getenv("KZRT_ARTIFACTS");
    const QString base = dir ? QString::fromLocal8Bit(dir) : QDir::currentPath();
    QDir().mkpath(base);
    return base + "/" + name;
}

class LineChartUnitTest : public ::testing::Test {
protected:
    LineChartUnitTest() { application(); }
};

TEST_F(LineChartUnitTest, ManyWritesCostOnePaint) {
    LineChartUnit chart;
    chart.resize(680, 235);
    chart.show();
    ASSERT_TRUE(spinUntil([&] { return chart.renderCount() > 0; }));
    spinUntil([] { return false; });  // let the first expose settle
    const int before = chart.renderCount();

    setUpLivePlot(chart);
    fillMinute(chart, 100, 10.0);
    EXPECT_EQ(chart.renderCount(), before) << "a property write painted synchronously";
    ASSERT_TRUE(spinUntil([&] { return chart.renderCount() > before; }));
    spinUntil([] { return false; });
    EXPECT_EQ(chart.renderCount(), before + 1);
}

TEST_F(LineChartUnitTest, HiddenChartStillAnswersWrites) {
    LineChartUnit chart;
    chart.writeProperty(kPointCountSlot, 60);
    chart.writeProperty(kCurrentPointSlot, 59);
    chart.writeProperty(kPointValueSlot, 3.5);
    EXPECT_EQ(chart.readProperty(kPointValueSlot), platform::PropertyValue(3.5));
    EXPECT_EQ(chart.renderCount(), 0);
}

TEST_F(LineChartUnitTest, PaintsSeriesGridAndBackground) {
    LineChartUnit chart;
    setUpLivePlot(chart);
    fillMinute(chart, 100, 10.0);
    const QSize size(680, 235);
    std::vector<HotSpot> spots;
    const QImage image = renderChart(chart.model(), styleOf(chart), size, 1.0, &spots);
    const ChartLayout layout = computeLayout(chart.model(), Rect{0, 0, 680, 235}, FontTextMeasure(styleOf(chart)));

    EXPECT_EQ(spots.size(), 120u);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
    // A voltage point (red, drawn first) and a current point (blue, on top).
    for (const auto& [series, colour] : {std::pair{0, QColor(255, 0, 0)}, {1, QColor(0, 0, 255)}}) {
        const int p = 20;
        // An antialiased line covers its exact colour within a pixel of the
        // point, on whichever side the rounding of the font metrics put it.
        const int x = int(std::lround(layout.pointX(p)));
        const int y = int(std::lround(layout.valueY(chart.model().data().value(series, p))));
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
    // The value axis in the axis colour (black).
    EXPECT_EQ(image.pixelColor(layout.plotLeft, (layout.plotTop + layout.plotBottom) / 2), QColor(Qt::black));
}

TEST_F(LineChartUnitTest, TooltipShowsTheTemplateOverAPoint) {
    LineChartUnit chart;
    chart.resize(680, 235);
    setUpLivePlot(chart);
    fillMinute(chart, 100, 10.0);
    chart.writeProperty(kTipTemplateSlot, Gbk("<bold>${v}</bold>"));
    const ChartLayout layout = computeLayout(chart.model(), Rect{0, 0, 680, 235}, FontTextMeasure(styleOf(chart)));
    const int p = 45;
    const double volts = chart.model().data().value(0, p);
    const QPoint onPoint(int(std::lround(layout.pointX(p))), int(std::lround(layout.valueY(volts))));

    const QString expected = platform::toQString(Gbk("<bold>电压: ") + valueText(volts) + "</bold>");
    EXPECT_EQ(chart.tooltipTextAt(onPoint), expected);
    EXPECT_EQ(chart.tooltipTextAt(QPoint(3, 3)), QString());

    chart.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(onPoint), chart.mapToGlobal(QPointF(onPoint)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    auto* tip = chart.findChild<LineChartTip*>(QStringLiteral("LineChartTip"));
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->isWindow());
    EXPECT_EQ(tip->text(), expected);
    tip->grab().save(artifactPath("chart-tooltip.png"));

    QMouseEvent away(QEvent::MouseMove, QPointF(3, 3), chart.mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &away);
    EXPECT_FALSE(tip->isVisible());

    chart.setDesignMode(true);
    EXPECT_EQ(chart.tooltipTextAt(onPoint), QString());
    QApplication::sendEvent(&chart, &move);
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(LineChartUnitTest, TipsCanBeSwitchedOff) {
    LineChartUnit chart;
    chart.resize(680, 235);
    chart.show();
    chart.writeProperty(kShowTipsSlot, 0);
    const ChartLayout layout = computeLayout(chart.model(), Rect{0, 0, 680, 235}, FontTextMeasure(styleOf(chart)));
    const QPoint onPoint(int(std::lround(layout.pointX(0))), int(std::lround(layout.valueY(10.0))));
    QMouseEvent move(QEvent::MouseMove, QPointF(onPoint), chart.mapToGlobal(QPointF(onPoint)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    EXPECT_FALSE(chart.findChild<LineChartTip*>()->isVisible());
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

TEST_F(LineChartUnitTest, EmptyWidgetHasNoSpots) {
    LineChartUnit chart;
    chart.resize(0, 0);
    EXPECT_TRUE(chart.renderImage().isNull());
    EXPECT_EQ(chart.tooltipTextAt(QPoint(0, 0)), QString());
}

// Pictures of the live plot in the three ranges, for people to look at.
TEST_F(LineChartUnitTest, RendersTheLivePlot) {
    struct Range { const char* file; int maxValue; double currentScale; double volts; };
    for (const Range& range : {Range{"chart-range1.png", 10, 1.0, 5.0}, Range{"chart-range2.png", 100, 10.0, 24.0},
                               Range{"chart-range3.png", 100, 5.0, 48.0}}) {
        LineChartUnit chart;
        chart.resize(680, 235);
        setUpLivePlot(chart);
        fillMinute(chart, range.maxValue, range.currentScale, range.volts);
        const QImage image = chart.renderImage();
        ASSERT_EQ(image.size(), QSize(680, 235));
        ASSERT_TRUE(image.save(artifactPath(range.file))) << range.file;
    }
}

}  // namespace
}  // namespace chart
