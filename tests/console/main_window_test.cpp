#include <QAbstractButton>
#include <QCheckBox>
#include <QScreen>
#include <QWindow>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "console/settings_file.h"
#include "platform/readout_pacer.h"
#include "console_fixture.h"
#include "tests/event_loop.h"

using namespace console;
using console::testing::ConsoleFixture;

namespace {

// The window as a user must find it, written out independently of the code
// that builds it: name, unit id, place, size, visibility, text, font.
struct Expected {
    const char* name;
    std::uint32_t id;
    int x, y, w, h;
    bool visible;
    const char* text;
    const char* face;  // nullptr: the window's default font
    int pixels, weight;
};

const Expected kWindow[] = {
    {"按钮1", 0x16010002, 112, 8, 80, 32, true, "打开串口", nullptr, 0, 0},
    {"按钮4", 0x1601000E, 230, 8, 80, 32, true, "关闭串口", nullptr, 0, 0},
    {"按钮2", 0x16010003, 586, 11, 80, 32, true, "开始计时", "新宋体", 14, 700},
    {"按钮3", 0x16010252, 493, 10, 80, 32, true, "TXT<=>HEX", nullptr, 0, 0},
    {"标签3", 0x16010009, 8, 15, 40, 24, true, "COM", "", 19, 700},
    {"串口号", 0x1601000C, 48, 18, 56, 20, true, "1", nullptr, 0, 0},
    {"外形框1", 0x1601001E, 198, 17, 24, 16, true, "", nullptr, 0, 0},
    {"标签4", 0x1601000A, 152, 102, 40, 24, false, "波特率：", nullptr, 0, 0},
    {"波特率", 0x1601000D, 215, 105, 64, 20, false, "2400", nullptr, 0, 0},
    {"校验组合框", 0x16010256, 296, 112, 64, 20, false, "偶校验", nullptr, 0, 0},
    {"标签20", 0x16010260, 315, 13, 173, 24, true, "每    秒    自动保存一次数据", nullptr, 0, 0},
    {"秒", 0x16010261, 328, 15, 20, 20, true, "1", nullptr, 0, 0},
    {"记录数据选择框", 0x16010180, 370, 13, 15, 24, true, "", nullptr, 0, 0},
    {"标签2", 0x16010005, 14, 57, 90, 52, true, "电压：", "微软雅黑", 32, 700},
    {"电压显示框", 0x16010007, 99, 44, 190, 72, true, "0", "Arial Black", 48, 900},
    {"标签5", 0x1601000F, 291, 58, 41, 48, true, "V", "微软雅黑", 43, 700},
    {"标签8", 0x16010127, 344, 61, 90, 53, true, "电流：", "微软雅黑", 32, 700},
    {"电流显示框", 0x16010126, 429, 52, 190, 63, true, "0", "Arial Black", 48, 900},
    {"标签7", 0x16010125, 624, 66, 39, 45, true, "A", "微软雅黑", 45, 700},
    {"标签1", 0x16010004, 14, 129, 90, 53, true, "功率：", "微软雅黑", 32, 700},
    {"功率显示框", 0x16010006, 99, 121, 190, 63, true, "0", "Arial Black", 48, 900},
    {"标签6", 0x16010010, 291, 134, 51, 45, true, "W", "微软雅黑", 43, 700},
    {"标签10", 0x1601012A, 344, 133, 90, 53, true, "电阻：", "微软雅黑", 32, 700},
    {"电阻显示框", 0x16010129, 429, 124, 190, 63, true, "0", "Arial Black", 48, 900},
    {"标签9", 0x16010128, 622, 138, 39, 45, true, "Ω", "微软雅黑", 45, 700},
    {"标签12", 0x1601012D, 16, 205, 90, 53, true, "瓦时：", "微软雅黑", 32, 700},
    {"瓦时显示框", 0x1601012C, 99, 196, 190, 63, true, "0", "Arial Black", 48, 900},
    {"标签11", 0x1601012B, 286, 210, 61, 45, true, "Wh", "微软雅黑", 35, 700},
    {"标签14", 0x16010130, 345, 205, 90, 53, true, "安时：", "微软雅黑", 32, 700},
    {"安时显示框", 0x1601012F, 429, 196, 190, 63, true, "0", "Arial Black", 48, 900},
    {"标签13", 0x1601012E, 622, 210, 49, 45, true, "Ah", "微软雅黑", 35, 700},
    {"标签16", 0x16010133, 16, 269, 88, 53, true, "温度：", "微软雅黑", 32, 700},
    {"温度显示框", 0x1601013A, 104, 260, 120, 72, true, "0", "Arial Black", 35, 900},
    {"标签19", 0x16010139, 223, 270, 50, 53, true, "℃", "微软雅黑", 35, 700},
    {"小时", 0x16010132, 269, 261, 72, 48, true, "0", "Arial Black", 48, 900},
    {"标签15", 0x16010134, 343, 270, 72, 53, true, "小时", "微软雅黑", 32, 700},
    {"分钟", 0x16010136, 415, 261, 72, 48, true, "0", "Arial Black", 48, 900},
    {"标签17", 0x16010135, 495, 270, 72, 53, true, "分钟", "微软雅黑", 32, 700},
    {"秒数", 0x16010138, 567, 261, 72, 48, true, "0", "Arial Black", 48, 900},
    {"标签18", 0x16010137, 634, 270, 37, 53, true, "秒", "微软雅黑", 32, 700},
    {"单选框1", 0x16010205, 10, 324, 200, 33, true, "折线图10V", "微软雅黑", 24, 700},
    {"标签22", 0x160101DC, 156, 325, 52, 32, true, "10A", "微软雅黑", 24, 700},
    {"单选框2", 0x16010207, 223, 326, 216, 37, true, "折线图100V", "微软雅黑", 24, 700},
    {"标签21", 0x16010206, 380, 329, 52, 32, true, "10A", "微软雅黑", 24, 700},
    {"单选框3", 0x16010269, 441, 328, 216, 37, true, "折线图100V", "微软雅黑", 24, 700},
    {"标签23", 0x16010268, 604, 331, 68, 32, true, "100A", "微软雅黑", 24, 700},
    {"曲线图控件1", 0x160101DA, -5, 360, 680, 235, true, "", nullptr, 0, 0},
    {"串口数据更新时间", 0x16010164, 88, 104, 32, 20, false, "", nullptr, 0, 0},
    {"临时转换框", 0x16010088, 33, 107, 103, 21, false, "", nullptr, 0, 0},
};

QString visibleText(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return {};
}

class MainWindowTest : public ConsoleFixture {};

TEST_F(MainWindowTest, EveryControlMatchesTheWindowDefinition) {
    startWindow();
    QWidget* top = form().window();
    top->show();
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8(kWindowTitle));
    for (const Expected& e : kWindow) {
        SCOPED_TRACE(e.name);
        const platform::Form::Entry* entry = form().findByName(e.name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->unitId, e.id);
        ASSERT_NE(entry->widget, nullptr);
        EXPECT_EQ(entry->widget->objectName(), QString::fromUtf8(e.name));
        EXPECT_EQ(entry->widget->geometry(), QRect(e.x, e.y, e.w, e.h));
        EXPECT_EQ(entry->widget->isVisibleTo(top), e.visible);
        EXPECT_EQ(visibleText(entry->widget), QString::fromUtf8(e.text));
        if (e.face != nullptr) {
            const QFont font = entry->widget->font();
            if (*e.face) {
                EXPECT_EQ(font.family(), QString::fromUtf8(e.face));
            }
            EXPECT_EQ(font.pixelSize(), e.pixels);
            EXPECT_EQ(font.weight(), e.weight);
        }
    }
    // Timers and the port have no window, but exist with their ids.
    for (auto [name, id] : {std::pair{"时钟1", kClockTimer}, {"时钟2", kRecordingTimer},
                            {"时钟3", kCurveTimer}, {"端口1", kPort}}) {
        const platform::Form::Entry* entry = form().findByName(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->unitId, id);
    }
    EXPECT_EQ(form().entries().size(), std::size(kWindow) + 4);
}

TEST_F(MainWindowTest, InitialStateAfterStartUp) {
    startWindow();
    EXPECT_EQ(form().interval(kClockTimer), 0);
    EXPECT_EQ(form().interval(kRecordingTimer), 1000);
    EXPECT_EQ(form().interval(kCurveTimer), 0);
    EXPECT_EQ(form().checked(kRange1Radio), 1);
    EXPECT_EQ(form().checked(kRange2Radio), 0);
    EXPECT_EQ(form().checked(kRecordBox), 0);
    const std::uint32_t lamp = form().fillColour(kPortLamp);
    EXPECT_NE(lamp, kLampGreen);
    EXPECT_NE(lamp, kLampRed);
    EXPECT_EQ(form().caption(kTimingButton), runtime::Gbk("开始计时"));
    // The read-outs' texts are blue.
    auto* voltage = qobject_cast<QLineEdit*>(form().find(kVoltageReadout)->widget);
    EXPECT_EQ(voltage->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_TRUE(voltage->isReadOnly());
    EXPECT_FALSE(qobject_cast<QLineEdit*>(form().find(kRecordingSeconds)->widget)->isReadOnly());
}

TEST_F(MainWindowTest, ScreenshotsExpandedAndCollapsed) {
    startWindow();
    QWidget* top = form().window();
    top->show();
    const QString artifacts = qEnvironmentVariable("KZRT_ARTIFACTS", ".");
    EXPECT_TRUE(top->grab().save(artifacts + "/main-window.png"));
    toggleCurves(context());
    EXPECT_EQ(form().windowHeight(), kCollapsedHeight);
    EXPECT_TRUE(top->grab().save(artifacts + "/main-window-collapsed.png"));
    EXPECT_EQ(top->grab().height(), kCollapsedHeight - 27);
}

// Texts written to the read-outs are read back at once, show within one
// refresh, and the screen then holds exactly what painting the whole window
// afresh would draw: repainting only the lines of text leaves no trace.
TEST_F(MainWindowTest, ReadoutTextsReachTheScreenAsAWholeRepaintDrawsThem) {
    startWindow();
    QWidget* top = form().window();
    top->show();
    const std::uint32_t readouts[] = {kVoltageReadout, kCurrentReadout, kPowerReadout, kResistanceReadout};
    const std::vector<std::vector<std::string>> steps = {
        {"12.345", "5.9880", "73.921", "2.0616"},
        {"12.346", "5.9880", "73.927", "2.0618"},
        {"0.0012", "0.0000", "0.0000", "----"},
        {"99.999", "10.000", "999.99", "9.9999"},
        {"", "1", "-0.001", "88888.8888"},
    };
    for (const auto& texts : steps) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            form().setText(readouts[i], runtime::Gbk(texts[i]));
            EXPECT_EQ(form().text(readouts[i]), runtime::Gbk(texts[i]));
        }
        kzrt::testing::spinFor(2 * platform::kReadoutRefreshMs);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            auto* box = qobject_cast<QLineEdit*>(form().find(readouts[i])->widget);
            EXPECT_EQ(box->text(), QString::fromStdString(texts[i]));
        }
        const QImage shown = top->windowHandle()->screen()->grabWindow(top->winId()).toImage().convertToFormat(
            QImage::Format_RGB32);
        const QImage fresh = top->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (shown != fresh) shown.save(qEnvironmentVariable("KZRT_ARTIFACTS", ".") + "/main-window-readouts-shown.png");
        ASSERT_EQ(shown, fresh) << texts[0];
    }
}

}  // namespace
