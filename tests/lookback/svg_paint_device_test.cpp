// Our SVG paint device against QPainter on an image: the same drawing,
// rasterised back by Qt SVG, gives the same picture.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <functional>

#include "lookback/svg_paint_device.h"

namespace {

constexpr int kWidth = 320, kHeight = 200;

QImage rasterised(const QString& svg) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QSvgRenderer renderer(svg);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, kWidth, kHeight));
    return image;
}

QImage painted(const std::function<void(QPainter&)>& draw) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

// Pixels whose colour differs by more than a third in some channel (edges
// antialiased one way or the other differ by less).
double differingShare(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > 85 || std::abs(p.green() - q.green()) > 85 ||
                std::abs(p.blue() - q.blue()) > 85) {
                ++differing;
            }
        }
    }
    return double(differing) / (kWidth * kHeight);
}

struct Drawing {
    const char* name;
    std::function<void(QPainter&)> draw;
};

class SvgPaintDeviceTest : public ::testing::TestWithParam<Drawing> {};

TEST_P(SvgPaintDeviceTest, RasterisesToThePictureQPainterDraws) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plot.svg"));
    EXPECT_EQ(lookback::paintSvgFile(path, QSize(kWidth, kHeight), GetParam().draw), "");
    const QImage expected = painted(GetParam().draw), actual = rasterised(path);
    const double share = differingShare(expected, actual);
    EXPECT_LT(share, 0.01) << GetParam().name;
    // Not blank: the drawing covers more than the tolerance.
    EXPECT_GT(differingShare(expected, painted([](QPainter&) {})), 0.02) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, SvgPaintDeviceTest,
    ::testing::Values(
        Drawing{"FilledAndFramedRectangles",
                [](QPainter& p) {
                    p.fillRect(QRectF(10, 10, 120, 80), QColor(0x20, 0x80, 0x20));
                    p.setPen(QPen(Qt::black, 2));
                    p.drawRect(QRectF(150, 20, 150, 150));
                }},
        Drawing{"AntialiasedCurvesInPlotColours",
                [](QPainter& p) {
                    p.setRenderHint(QPainter::Antialiasing, true);
                    QPainterPath path(QPointF(10, 190));
                    for (int x = 10; x < 310; x += 5) path.lineTo(x, 100 + 80 * std::sin(x / 30.0));
                    p.setPen(QPen(QColor(0xE0, 0x20, 0x20), 3));
                    p.drawPath(path);
                    p.setPen(QPen(QColor(0x20, 0x40, 0xE0), 3));
                    p.drawLine(QPointF(10, 20), QPointF(310, 180));
                }},
        Drawing{"TransformedPolygon",
                [](QPainter& p) {
                    p.translate(160, 100);
                    p.rotate(30);
                    p.setBrush(QColor(0xF0, 0xA0, 0x00));
                    p.setPen(Qt::NoPen);
                    const QPointF triangle[] = {{-60, 50}, {60, 50}, {0, -60}};
                    p.drawPolygon(triangle, 3);
                }},
        Drawing{"Text", [](QPainter& p) {
                    QFont font = p.font();
                    font.setPixelSize(40);
                    p.setFont(font);
                    p.setPen(Qt::black);
                    p.drawText(QRectF(0, 0, kWidth, kHeight), Qt::AlignCenter, QStringLiteral("12.345 V"));
                }}),
    [](const ::testing::TestParamInfo<Drawing>& info) { return std::string(info.param.name); });

// A file that cannot be written is said so, not reported as written.
TEST(SvgPaintDeviceWrite, AnUnwritableFileIsAnError) {
    QTemporaryDir dir;
    EXPECT_EQ(lookback::paintSvgFile(dir.filePath(QStringLiteral("missing/plot.svg")), QSize(kWidth, kHeight),
                                   [](QPainter& p) { p.drawLine(0, 0, 10, 10); }),
              "cannot write the SVG file");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
