// A minute of meter frames and curve ticks in each range, captured as the
// person at the bench sees it, plus the tooltip over a plotted point.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "chart/chart_layout.h"
#include "chart/chart_painter.h"
#include "chart/line_chart_unit.h"
#include "console_fixture.h"
#include "platform/qt_text.h"

using namespace console;
using console::testing::ConsoleFixture;

namespace {

constexpr int kDataArrived = 1;

// The meter's frame for a voltage and a current, with the most decimals that fit.
std::vector<std::int32_t> frameFor(double volts, double amps) {
    const int voltageDecimals = volts < 10 ? 4 : volts < 100 ? 3 : 2;
    const int currentDecimals = amps < 10 ? 4 : amps < 100 ? 3 : 2;
    std::vector<std::int32_t> frame{0xA0 + (4 - voltageDecimals), 0x07, 0x00, (4 - currentDecimals) * 0x10};
    auto digits = [&frame](double value, int decimals) {
        long scaled = std::lround(value * std::pow(10.0, decimals));
        std::int32_t out[5];
        for (int i = 4; i >= 0; --i, scaled /= 10) out[i] = std::int32_t(scaled % 10);
        frame.insert(frame.end(), out, out + 5);
    };
    digits(volts, voltageDecimals);
    digits(amps, currentDecimals);
    frame.insert(frame.end(), {0x2B, 2, 6, 4});  // +26.4 ℃
    return frame;
}

struct Minute {
    const char* name;
    std::uint32_t radio;
    double volts, voltSwing, amps, ampSwing;
};

class CurvesScreenshotTest : public ConsoleFixture, public ::testing::WithParamInterface<Minute> {
protected:
    CurvesScreenshotTest() {
        startWindow();
        window->show();
    }
    void playMinute(const Minute& m) {
        form().raise(m.radio, platform::kClicked);
        for (int s = 0; s < 60; ++s) {
            const double phase = s / 60.0 * 2 * M_PI;
            for (std::int32_t byte : frameFor(m.volts + m.voltSwing * std::sin(phase),
                                              m.amps + m.ampSwing * std::sin(2 * phase + 1.0))) {
                form().raise(kPort, kDataArrived, std::span<const std::int32_t>(&byte, 1));
            }
            form().raise(kCurveTimer, platform::kTimerFired);
        }
        QApplication::processEvents();
    }
    static QString artifact(const char* name) {
        const char* dir = std::getenv("KZRT_ARTIFACTS");
        return dir ? QString::fromUtf8(dir) + "/" + name : QString();
    }
};

TEST_P(CurvesScreenshotTest, AMinuteOfCurves) {
    const Minute& m = GetParam();
    playMinute(m);
    // The range the minute was meant for holds: no step moved it.
    EXPECT_EQ(form().checked(m.radio), 1);
    const chart::ChartData& data = window->chart().model().data();
    EXPECT_NEAR(data.value(0, 59), m.volts + m.voltSwing * std::sin(59 / 60.0 * 2 * M_PI), 0.01);
    const QImage shot = form().window()->grab().toImage();
    if (!artifact("").isEmpty()) shot.save(artifact(m.name));
    // Both curve colours really reach the screen.
    bool red = false, blue = false;
    for (int y = 360; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            red |= qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            blue |= qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
        }
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, CurvesScreenshotTest,
    ::testing::Values(Minute{"main-window-range1.png", kRange1Radio, 4.0, 0.6, 1.5, 1.0},
                      Minute{"main-window-range2.png", kRange2Radio, 48.0, 6.0, 6.0, 2.5},
                      Minute{"main-window-range3.png", kRange3Radio, 60.0, 15.0, 40.0, 20.0}));

TEST_F(CurvesScreenshotTest, TooltipOverAPoint) {
    playMinute(Minute{"", kRange2Radio, 48.0, 6.0, 6.0, 2.5});
    chart::LineChartUnit& chart = window->chart();
    const chart::ChartLayout layout = chart::computeLayout(
        chart.model(), chart::Rect{0, 0, chart.width(), chart.height()}, chart::FontTextMeasure(chart.style()));
    const int point = 40;
    const double volts = chart.model().data().value(0, point);
    const QPoint onPoint(int(std::lround(layout.pointX(point))), int(std::lround(layout.valueY(volts))));
    QMouseEvent move(QEvent::MouseMove, QPointF(onPoint), chart.mapToGlobal(QPointF(onPoint)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    auto* tip = chart.findChild<chart::LineChartTip*>(QStringLiteral("LineChartTip"));
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->text().startsWith(QStringLiteral("电压")) || tip->text().startsWith(QStringLiteral("电流")))
        << tip->text().toStdString();
    if (artifact("").isEmpty()) return;
    // The tip is a window of its own; draw it where it floats over the main window.
    QImage shot = form().window()->grab().toImage();
    QPainter painter(&shot);
    painter.drawPixmap(form().window()->mapFromGlobal(tip->pos()), tip->grab());
    painter.end();
    shot.save(artifact("main-window-tooltip.png"));
}

}  // namespace
