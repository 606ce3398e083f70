// The window's fonts draw the texts it shows, each character with its own
// glyph, at the sizes the window uses. Runs with the system's own font engine
// (on Windows the windows platform: offscreen has no fonts there).
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "platform/fonts.h"
#include "tests/test_application.h"

namespace {

// Windows' own font engine: the offscreen plugin has no fonts there.
void app() {
#ifdef Q_OS_WIN
    kzrt::testing::application("windows");
#else
    kzrt::testing::application();
#endif
}

constexpr int kSide = 64;

QImage canvas() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The text as the font engine draws it.
QImage drawn(const QFont& font, const QString& text) {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

// The text filled from its glyph outlines: what the glyph should look like.
QImage outlined(const QFont& font, const QString& text) {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font);
    const QRect box = metrics.boundingRect(image.rect(), Qt::AlignCenter, text);
    QPainterPath path;
    path.addText(box.left(), box.top() + metrics.ascent(), font, text);
    painter.fillPath(path, Qt::black);
    return image;
}

bool ink(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 160; }

// Shared ink over all ink (1 for the same shape), at the best shift of up to
// two pixels, so that hinting and placement do not count.
double likeness(const QImage& a, const QImage& b) {
    double best = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            int both = 0, either = 0;
            for (int y = 2; y < kSide - 2; ++y) {
                for (int x = 2; x < kSide - 2; ++x) {
                    both += ink(a, x, y) && ink(b, x + dx, y + dy);
                    either += ink(a, x, y) || ink(b, x + dx, y + dy);
                }
            }
            if (either > 0) best = std::max(best, double(both) / either);
        }
    }
    return best;
}

struct Case {
    const char* face;  // empty: the window's default font
    int height;
    int weight;
    const char* text;
};

QFont fontFor(const Case& c) {
    const QFont base = platform::defaultWindowFont();
    return c.face[0] ? platform::makeFont({c.face, c.height, c.weight}, base) : base;
}

class FontsDraw : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        app();
        platform::installFontSubstitutions();
    }
};

// A wrong glyph (a font engine that looks glyphs up wrongly at small sizes)
// looks as much like some other character as like the one asked for.
TEST_P(FontsDraw, EachCharacterLooksLikeItself) {
    const Case& c = GetParam();
    const QFont font = fontFor(c);
    const QString text = QString::fromUtf8(c.text);
    const QImage image = drawn(font, text);
    const double itself = likeness(image, outlined(font, text));
    for (const char* other : {"丰", "中", "申", "甲", "由"}) {
        if (text == QString::fromUtf8(other)) continue;
        EXPECT_GT(itself, likeness(image, outlined(font, QString::fromUtf8(other))) + 0.1)
            << c.text << " drawn looks like " << other;
    }
}

TEST_P(FontsDraw, DrawsSomething) {
    const QImage image = drawn(fontFor(GetParam()), QString::fromUtf8(GetParam().text));
    bool any = false;
    for (int y = 0; y < kSide && !any; ++y)
        for (int x = 0; x < kSide && !any; ++x) any = ink(image, x, y);
    EXPECT_TRUE(any) << GetParam().text << " draws nothing";
}

INSTANTIATE_TEST_SUITE_P(WindowFonts, FontsDraw,
                         ::testing::Values(Case{"", 0, 400, "串"}, Case{"", 0, 400, "电"}, Case{"", 0, 400, "℃"},
                                           Case{"微软雅黑", -12, 400, "串"}, Case{"微软雅黑", -12, 400, "电"},
                                           Case{"微软雅黑", -14, 700, "流"}, Case{"微软雅黑", 53, 700, "℃"},
                                           Case{"新宋体", -14, 700, "串"}));

// Captions padded with blanks around boxes placed in their gaps need 宋体's
// half-width blank, whichever face stands in for it.
TEST(WindowFont, BlanksAreHalfACharacter) {
    app();
    platform::installFontSubstitutions();
    const QFontMetrics metrics(platform::defaultWindowFont());
    EXPECT_EQ(2 * metrics.horizontalAdvance(QLatin1Char(' ')), metrics.horizontalAdvance(QString::fromUtf8("电")));
}

}  // namespace
