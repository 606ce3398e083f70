#include "console/main_window.h"

#include "chart/line_chart_unit.h"
#include "console/control_ids.h"
#include "console/data_recording.h"
#include "console/elapsed_timer.h"
#include "console/frame_receiving.h"
#include "console/mode_command.h"
#include "console/port_control.h"
#include "console/port_number_hint.h"
#include "console/realtime_curves.h"
#include "console/settings_file.h"
#include "platform/visual_style.h"
#include "serial/serial_port_unit.h"

namespace console {
namespace {

using platform::ControlSpec;
using platform::ControlType;
using platform::FontSpec;

constexpr int kOuterWidth = 683;
constexpr std::uint32_t kReadoutBlue = 0xFF0000;

const FontSpec kLabelFont{"微软雅黑", -32, 700};
const FontSpec kReadoutFont{"Arial Black", -48, 900};
const FontSpec kRangeFont{"微软雅黑", -24, 700};

ControlSpec label(std::string name, std::uint32_t id, int x, int y, int w, int h, std::string text,
                  FontSpec font = {}, bool visible = true) {
    ControlSpec s{std::move(name), id, ControlType::Label, x, y, w, h, visible, std::move(text), std::move(font)};
    return s;
}

ControlSpec readout(std::string name, std::uint32_t id, int x, int y, int w, int h,
                    FontSpec font = kReadoutFont) {
    ControlSpec s{std::move(name), id, ControlType::EditBox, x, y, w, h, true, "0", std::move(font)};
    s.textColour = kReadoutBlue;
    return s;
}

ControlSpec control(std::string name, std::uint32_t id, ControlType type, int x, int y, int w, int h,
                    std::string text = {}, FontSpec font = {}, bool visible = true) {
    return ControlSpec{std::move(name), id, type, x, y, w, h, visible, std::move(text), std::move(font)};
}

ControlSpec combo(std::string name, std::uint32_t id, int x, int y, int w, int h, bool visible,
                  std::vector<std::string> items, int selected) {
    ControlSpec s = control(std::move(name), id, ControlType::ComboBox, x, y, w, h, {}, {}, visible);
    s.items = std::move(items);
    s.selectedIndex = selected;
    return s;
}

ControlSpec radio(std::string name, std::uint32_t id, int x, int y, int w, int h, std::string text,
                  bool checked) {
    ControlSpec s = control(std::move(name), id, ControlType::RadioBox, x, y, w, h, std::move(text), kRangeFont);
    s.checked = checked;
    return s;
}

ControlSpec timer(std::string name, std::uint32_t id, int interval) {
    ControlSpec s = control(std::move(name), id, ControlType::Timer, 0, 0, 0, 0, {}, {}, false);
    s.interval = interval;
    return s;
}

std::vector<std::string> portItems() {
    std::vector<std::string> items;
    for (int i = 1; i <= 20; ++i) items.push_back(std::to_string(i));
    return items;
}

std::vector<ControlSpec> buildControlTable() {
    return {
        control("按钮1", kOpenPortButton, ControlType::Button, 112, 8, 80, 32, "打开串口"),
        control("按钮4", kClosePortButton, ControlType::Button, 230, 8, 80, 32, "关闭串口"),
        control("按钮2", kTimingButton, ControlType::Button, 586, 11, 80, 32, "开始计时", {"新宋体", -14, 700}),
        control("按钮3", kModeButton, ControlType::Button, 493, 10, 80, 32, "TXT<=>HEX"),
        label("标签3", kPortLabel, 8, 15, 40, 24, "COM", {"", -19, 700}),
        combo("串口号", kPortNumberCombo, 48, 18, 56, 20, true, portItems(), 0),
        control("外形框1", kPortLamp, ControlType::Shape, 198, 17, 24, 16),
        label("标签4", kBaudLabel, 152, 102, 40, 24, "波特率：", {}, false),
        combo("波特率", kBaudCombo, 215, 105, 64, 20, false,
              {"2400", "4800", "9600", "14400", "19200", "38400", "115200"}, 0),
        combo("校验组合框", kParityCombo, 296, 112, 64, 20, false, {"无", "奇校验", "偶校验", "标志校验", "空白校验"}, 2),
        label("标签20", kRecordingSentence, 315, 13, 173, 24, "每    秒    自动保存一次数据"),
        control("秒", kRecordingSeconds, ControlType::EditBox, 328, 15, 20, 20, "1"),
        control("记录数据选择框", kRecordBox, ControlType::CheckBox, 370, 13, 15, 24),
        label("标签2", 0x16010005, 14, 57, 90, 52, "电压：", kLabelFont),
        readout("电压显示框", kVoltageReadout, 99, 44, 190, 72),
        label("标签5", 0x1601000F, 291, 58, 41, 48, "V", {"微软雅黑", -43, 700}),
        label("标签8", 0x16010127, 344, 61, 90, 53, "电流：", kLabelFont),
        readout("电流显示框", kCurrentReadout, 429, 52, 190, 63),
        label("标签7", 0x16010125, 624, 66, 39, 45, "A", {"微软雅黑", -45, 700}),
        label("标签1", 0x16010004, 14, 129, 90, 53, "功率：", kLabelFont),
        readout("功率显示框", kPowerReadout, 99, 121, 190, 63),
        label("标签6", 0x16010010, 291, 134, 51, 45, "W", {"微软雅黑", -43, 700}),
        label("标签10", 0x1601012A, 344, 133, 90, 53, "电阻：", kLabelFont),
        readout("电阻显示框", kResistanceReadout, 429, 124, 190, 63),
        label("标签9", 0x16010128, 622, 138, 39, 45, "Ω", {"微软雅黑", -45, 700}),
        label("标签12", 0x1601012D, 16, 205, 90, 53, "瓦时：", kLabelFont),
        readout("瓦时显示框", kEnergyReadout, 99, 196, 190, 63),
        label("标签11", 0x1601012B, 286, 210, 61, 45, "Wh", {"微软雅黑", -35, 700}),
        label("标签14", 0x16010130, 345, 205, 90, 53, "安时：", kLabelFont),
        readout("安时显示框", kChargeReadout, 429, 196, 190, 63),
        label("标签13", 0x1601012E, 622, 210, 49, 45, "Ah", {"微软雅黑", -35, 700}),
        label("标签16", 0x16010133, 16, 269, 88, 53, "温度：", kLabelFont),
        readout("温度显示框", kTemperatureReadout, 104, 260, 120, 72, {"Arial Black", -35, 900}),
        label("标签19", 0x16010139, 223, 270, 50, 53, "℃", {"微软雅黑", -35, 700}),
        readout("小时", kHoursReadout, 269, 261, 72, 48),
        label("标签15", 0x16010134, 343, 270, 72, 53, "小时", kLabelFont),
        readout("分钟", kMinutesReadout, 415, 261, 72, 48),
        label("标签17", 0x16010135, 495, 270, 72, 53, "分钟", kLabelFont),
        readout("秒数", kSecondsReadout, 567, 261, 72, 48),
        label("标签18", 0x16010137, 634, 270, 37, 53, "秒", kLabelFont),
        radio("单选框1", kRange1Radio, 10, 324, 200, 33, "折线图10V", true),
        label("标签22", 0x160101DC, 156, 325, 52, 32, "10A", kRangeFont),
        radio("单选框2", kRange2Radio, 223, 326, 216, 37, "折线图100V", false),
        label("标签21", 0x16010206, 380, 329, 52, 32, "10A", kRangeFont),
        radio("单选框3", kRange3Radio, 441, 328, 216, 37, "折线图100V", false),
        label("标签23", 0x16010268, 604, 331, 68, 32, "100A", kRangeFont),
        control("串口数据更新时间", kUpdateStamp, ControlType::EditBox, 88, 104, 32, 20, "", {}, false),
        control("临时转换框", kFrameText, ControlType::EditBox, 33, 107, 103, 21, "", {}, false),
        timer("时钟1", kClockTimer, 0),
        timer("时钟2", kRecordingTimer, 1000),
        timer("时钟3", kCurveTimer, 0),
    };
}

// The serial port as the window stores it: port 5 at 38400 baud, 8 data bits,
// one stop bit, even parity with checking, 1000 ms time-out, no flow control.
void applyStoredPortSettings(serial::SerialPortUnit& port) {
    port.writeProperty(8, 5);
    port.writeProperty(9, 38400);
    port.writeProperty(10, 8);
    port.writeProperty(11, 1);
    port.writeProperty(12, 1);
    port.writeProperty(13, runtime::Text{});
    port.writeProperty(14, 1000);
    port.writeProperty(15, 0);
    port.writeProperty(16, 2);
    port.writeProperty(17, 0);
    port.writeProperty(18, 0);
    port.writeProperty(19, 0);
}

}  // namespace

const char* const kWindowTitle = "Quenlo－LCD1602 & KZRT12864高精度5位电压电流功率表上位机程序 v2.0.1";

std::span<const ControlSpec> controlTable() {
    static const std::vector<ControlSpec> table = buildControlTable();
    return table;
}

MainWindow::MainWindow()
    : m_form(std::make_unique<platform::Form>(kMainWindow, kWindowTitle, kOuterWidth, kExpandedHeight)) {
    m_form->addControls(controlTable());

    m_chart = new chart::LineChartUnit(m_form->window());
    m_chart->setObjectName(QStringLiteral("曲线图控件1"));
    m_chart->setGeometry(-5, 360, 680, 235);
    applyStoredChartSettings(*m_chart);
    m_form->addUnit(kCurveChart, "曲线图控件1", m_chart, m_chart);

    m_port = std::make_unique<serial::SerialPortUnit>();
    m_port->setObjectName(QStringLiteral("端口1"));
    applyStoredPortSettings(*m_port);
    m_form->addUnit(kPort, "端口1", m_port.get(), nullptr);
    m_port->setEventSink([form = m_form.get()](int event, std::int32_t argument) {
        form->raise(kPort, event, std::span<const std::int32_t>(&argument, 1));
    });

    m_console = std::make_unique<Console>(Console{*m_form, *m_port, *m_chart, m_values});
    bindHandlers();
}

MainWindow::~MainWindow() {
    // The port closes first so no delivery reaches a half-destroyed window.
    m_port.reset();
}

void MainWindow::bindHandlers() {
    using namespace platform;
    Console& c = *m_console;
    auto on = [this](std::uint32_t unit, int event, auto handler) {
        m_form->bind(unit, event, [handler](std::span<const std::int32_t> args) { handler(args); });
    };
    on(kMainWindow, kCreated, [&c](auto) { onWindowCreated(c); });
    on(kMainWindow, kRightButtonDown, [&c](auto) { toggleCurves(c); });
    on(kOpenPortButton, kClicked, [&c](auto) { openPort(c); });
    on(kClosePortButton, kClicked, [&c](auto) { closePort(c); });
    on(kTimingButton, kClicked, [&c](auto) { onTimingButton(c); });
    on(kModeButton, kClicked, [&c](auto) { onModeButton(c); });
    on(kRange1Radio, kClicked, [&c](auto) { selectRange(c, 1); });
    on(kRange2Radio, kClicked, [&c](auto) { selectRange(c, 2); });
    on(kRange3Radio, kClicked, [&c](auto) { selectRange(c, 3); });
    on(kRecordBox, kClicked, [&c](auto) { onRecordBoxClicked(c); });
    on(kRecordingSeconds, kContentChanged, [&c](auto) {
        saveInterval(c);
        applyRecordingInterval(c);
    });
    on(kClockTimer, kTimerFired, [&c](auto) { onClockTick(c); });
    on(kRecordingTimer, kTimerFired, [&c](auto) { onRecordingTick(c); });
    on(kCurveTimer, kTimerFired, [&c](auto) {
        onCurveTick(c);
        noticeLostDevice(c);  // the curve timer runs exactly while the port is open
    });
    // DataArrived (event 1) carries the byte; CommEvent (event 0) is bound to
    // nothing on purpose: line-status changes do not concern the console.
    on(kPort, 1, [&c](std::span<const std::int32_t> args) { onByteReceived(c, args.empty() ? 0 : args[0]); });
    on(kPort, 0, [](auto) {});
    // Not one of the window's events: the port-number box's tooltip follows
    // the devices plugged in, looked at whenever the box opens.
    m_form->setAboutToShow(kPortNumberCombo, [&c] { refreshPortNumberHint(c); });
}

void MainWindow::start() { m_form->raise(kMainWindow, platform::kCreated); }

void MainWindow::show() { m_form->window()->show(); }

void onWindowCreated(Console& console) {
    console.values.energyAccumulator = 0.0;
    console.values.chargeAccumulator = 0.0;
    console.values.byteCounter = 0;
    platform::EnableVisualStyle(1);
    resetCurves(console);
    loadSettings(console);
    startPublishing(console);
}

}  // namespace console
