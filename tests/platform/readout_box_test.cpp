#include "platform/readout_box.h"
#include "platform/visual_style.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QWindow>
#include <gtest/gtest.h>

#include "tests/test_application.h"

using namespace platform;

namespace {

using kzrt::testing::application;

// Collects the paint events a widget receives.
class PaintLog : public QObject {
public:
    std::vector<QRegion> regions;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// A label that reaches 5 px under a read-out, as on the meter's window, with
// either a read-out box or a plain read-only edit box above it.
struct Scene {
    QWidget window;
    QLabel* label;
    QLineEdit* box;

    explicit Scene(bool readout) {
        window.setFixedSize(300, 100);
        label = new QLabel(QStringLiteral("电压："), &window);
        label->setGeometry(4, 20, 90, 52);
        QFont big = label->font();
        big.setPixelSize(32);
        big.setBold(true);
        label->setFont(big);
        box = readout ? new ReadoutBox(&window) : new QLineEdit(&window);
        box->setReadOnly(true);
        // Only one of two windows is active, and only there a focused box
        // shows its focus frame.
        box->setFocusPolicy(Qt::NoFocus);
        box->setGeometry(89, 8, 190, 72);
        QFont digits = box->font();
        digits.setPixelSize(48);
        digits.setWeight(QFont::Black);
        box->setFont(digits);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, QColor(0, 0, 255));
        box->setPalette(palette);
        keepLabelsOutOfReadoutTexts(&window);
        box->setText(QStringLiteral("0"));
        window.show();
        settle();
    }
    ReadoutBox* readout() const { return static_cast<ReadoutBox*>(box); }
    // What the screen holds now, painted bit by bit as the texts came.
    QImage onScreen() const {
        return window.windowHandle()->screen()->grabWindow(window.winId()).toImage().convertToFormat(
            QImage::Format_RGB32);
    }
    // The window painted afresh, whole.
    QImage painted() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Compares what a read-out shows with the plain edit box's picture; a
// mismatch leaves both pictures in the artifacts folder.
void expectSame(const QImage& shown, const QImage& expected, const QString& name) {
    if (shown == expected) return;
    const QString folder = qEnvironmentVariable("KZRT_ARTIFACTS", ".");
    shown.save(folder + "/readout-box-" + name + ".png");
    expected.save(folder + "/readout-box-" + name + "-expected.png");
    ADD_FAILURE() << name.toStdString();
}

class ReadoutBoxLook : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        application();
        QApplication::setStyle(QStyleFactory::create(GetParam()));
    }
};

// The read-out and its neighbouring label look exactly as a plain edit box
// beside an unmasked label does, whatever texts came and went, in each style.
TEST_P(ReadoutBoxLook, LooksLikeAPlainEditBoxPixelForPixel) {
    Scene plain(false), readout(true);
    // Short texts repaint the inside only; one too long for it repaints all.
    for (const QString text : {"12.345", "12.346", "", "-0.001", "123456789.123", "5.0"}) {
        plain.box->setText(text);
        readout.readout()->showText(text);
        settle();
        const QImage expected = plain.painted();
        const QString name = QString::fromLatin1(GetParam()) + "-" + text;
        expectSame(readout.painted(), expected, name + "-fresh");
        expectSame(readout.onScreen(), expected, name + "-shown");
    }
    const QString folder = qEnvironmentVariable("KZRT_ARTIFACTS", ".");
    readout.onScreen().save(folder + "/readout-box-" + QString::fromLatin1(GetParam()) + ".png");
}

INSTANTIATE_TEST_SUITE_P(Styles, ReadoutBoxLook, ::testing::Values("Fusion", "Windows"));

// A new text repaints only the box's text area, never the label beneath its
// edge; an unchanged one repaints nothing.
TEST(ReadoutBoxRepaint, ANewTextRepaintsOnlyTheTextArea) {
    application();
    Scene scene(true);
    PaintLog boxPaints, labelPaints;
    scene.box->installEventFilter(&boxPaints);
    scene.label->installEventFilter(&labelPaints);
    scene.readout()->showText(QStringLiteral("12.345"));
    settle();
    ASSERT_FALSE(boxPaints.regions.empty());
    for (const QRegion& region : boxPaints.regions) {
        EXPECT_TRUE(scene.readout()->textArea().contains(region.boundingRect())) << region.boundingRect().x();
    }
    EXPECT_TRUE(labelPaints.regions.empty());
    EXPECT_EQ(scene.box->text(), QStringLiteral("12.345"));

    boxPaints.regions.clear();
    scene.readout()->showText(QStringLiteral("12.345"));
    settle();
    EXPECT_TRUE(boxPaints.regions.empty());
}

// The label keeps its visible part, loses what the text area hides, and gets
// it back when the read-out moves away.
TEST(ReadoutBoxLabels, MaskFollowsTheReadoutsAboveOnly) {
    application();
    Scene scene(true);
    const QRect hidden = scene.readout()->textArea().translated(scene.box->pos() - scene.label->pos());
    ASSERT_TRUE(hidden.intersects(scene.label->rect()));
    EXPECT_FALSE(scene.label->mask().intersects(hidden));
    EXPECT_TRUE(scene.label->mask().contains(QPoint(0, 0)));
    scene.box->move(200, 8);
    keepLabelsOutOfReadoutTexts(&scene.window);
    EXPECT_TRUE(scene.label->mask().isEmpty());  // no mask: the whole label shows
    // A label stacked above the read-out is never masked.
    scene.box->move(89, 8);
    scene.label->raise();
    keepLabelsOutOfReadoutTexts(&scene.window);
    EXPECT_TRUE(scene.label->mask().isEmpty());
}

// Read-out boxes keep up with the application's style when the window picks
// it, beside ordinary edit boxes that follow it by themselves.
TEST(ReadoutBoxLabels, ReadoutsFollowTheWindowsVisualStyle) {
    application();
    Scene scene(true);
    auto* typed = new QLineEdit(&scene.window);
    for (const int choice : {0, 1, 4}) {
        EnableVisualStyle(choice);
        const QString expected = QApplication::style()->name();
        EXPECT_EQ(typed->style()->name(), expected);
        auto* proxy = qobject_cast<QProxyStyle*>(scene.box->style());
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(proxy->baseStyle()->name(), expected) << choice;
    }
}

}  // namespace
