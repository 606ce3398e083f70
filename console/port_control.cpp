#include "console/port_control.h"

#include "console/control_ids.h"
#include "console/settings_file.h"
#include "runtime/conversions.h"
#include "serial/serial_port_unit.h"

namespace console {
namespace {

constexpr int kPortNumberSlot = 8;
constexpr int kBaudRateSlot = 9;

}  // namespace

void openPort(Console& console) {
    platform::Form& form = console.form;
    console.values.inFrameFlag = 0;  // the next start byte begins a new frame
    console.port.writeProperty(kPortNumberSlot, runtime::ToInteger(form.comboText(kPortNumberCombo)));
    console.port.writeProperty(kBaudRateSlot, runtime::ToInteger(form.comboText(kBaudCombo)));
    if (console.port.Open()) {
        form.setFillColour(kPortLamp, kLampGreen);
        form.setInterval(kCurveTimer, 1000);
    } else {
        // The lamp is the only report; no timer is touched.
        form.setFillColour(kPortLamp, kLampRed);
    }
    savePortSettings(console);
}

void closePort(Console& console) {
    platform::Form& form = console.form;
    console.port.Close();
    form.setInterval(kCurveTimer, 0);
    form.setChecked(kRecordBox, 0);  // raises no click: the recording timer keeps its interval
    form.setText(kVoltageReadout, "0");
    form.setText(kCurrentReadout, "0");
    form.setText(kPowerReadout, "0");
    form.setText(kResistanceReadout, "0");
    form.setText(kFrameText, "");
    form.setText(kTemperatureReadout, "0");
    form.setFillColour(kPortLamp, kLampGrey);
    console.values.timingFlag = 0;
    form.setInterval(kClockTimer, 0);
    form.setCaption(kTimingButton, runtime::Gbk("开始计时"));
}

}  // namespace console
