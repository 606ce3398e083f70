#pragma once
// Unit ids of the main window's controls, named after what they are.
#include <cstdint>

namespace console {

constexpr std::uint32_t kMainWindow = 0x52010001;

constexpr std::uint32_t kOpenPortButton = 0x16010002;       // 按钮1
constexpr std::uint32_t kClosePortButton = 0x1601000E;      // 按钮4
constexpr std::uint32_t kTimingButton = 0x16010003;         // 按钮2
constexpr std::uint32_t kModeButton = 0x16010252;           // 按钮3
constexpr std::uint32_t kPortLabel = 0x16010009;            // 标签3
constexpr std::uint32_t kPortNumberCombo = 0x1601000C;      // 串口号
constexpr std::uint32_t kPortLamp = 0x1601001E;             // 外形框1
constexpr std::uint32_t kBaudLabel = 0x1601000A;            // 标签4
constexpr std::uint32_t kBaudCombo = 0x1601000D;            // 波特率
constexpr std::uint32_t kParityCombo = 0x16010256;          // 校验组合框
constexpr std::uint32_t kRecordingSentence = 0x16010260;    // 标签20
constexpr std::uint32_t kRecordingSeconds = 0x16010261;     // 秒
constexpr std::uint32_t kRecordBox = 0x16010180;            // 记录数据选择框
constexpr std::uint32_t kVoltageReadout = 0x16010007;       // 电压显示框
constexpr std::uint32_t kCurrentReadout = 0x16010126;       // 电流显示框
constexpr std::uint32_t kPowerReadout = 0x16010006;         // 功率显示框
constexpr std::uint32_t kResistanceReadout = 0x16010129;    // 电阻显示框
constexpr std::uint32_t kEnergyReadout = 0x1601012C;        // 瓦时显示框
constexpr std::uint32_t kChargeReadout = 0x1601012F;        // 安时显示框
constexpr std::uint32_t kTemperatureReadout = 0x1601013A;   // 温度显示框
constexpr std::uint32_t kHoursReadout = 0x16010132;         // 小时
constexpr std::uint32_t kMinutesReadout = 0x16010136;       // 分钟
constexpr std::uint32_t kSecondsReadout = 0x16010138;       // 秒数
constexpr std::uint32_t kRange1Radio = 0x16010205;          // 单选框1
constexpr std::uint32_t kRange2Radio = 0x16010207;          // 单选框2
constexpr std::uint32_t kRange3Radio = 0x16010269;          // 单选框3
constexpr std::uint32_t kCurveChart = 0x160101DA;           // 曲线图控件1
constexpr std::uint32_t kUpdateStamp = 0x16010164;          // 串口数据更新时间
constexpr std::uint32_t kFrameText = 0x16010088;            // 临时转换框
constexpr std::uint32_t kClockTimer = 0x160100AD;           // 时钟1
constexpr std::uint32_t kRecordingTimer = 0x16010169;       // 时钟2
constexpr std::uint32_t kCurveTimer = 0x160101FE;           // 时钟3
constexpr std::uint32_t kPort = 0x16010012;                 // 端口1

// Port lamp colours (Windows blue-green-red values). Only green means open.
constexpr std::uint32_t kLampGreen = 0xFF00;
constexpr std::uint32_t kLampRed = 0xFF;
constexpr std::uint32_t kLampGrey = 0x808080;

}  // namespace console
