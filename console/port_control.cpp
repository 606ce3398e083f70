#include "console/port_control.h"

#include <QWidget>

#include <chrono>
#include <cstdio>

#include "console/control_ids.h"
#include "console/frame_decoder.h"
#include "console/settings_file.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "serial/port_names.h"
#include "serial/serial_port_unit.h"

namespace console {
namespace {

constexpr int kPortNumberSlot = 8;
constexpr int kBaudRateSlot = 9;

int selectedPortNumber(const Console& console) {
    return platform::toInt(console.port.readProperty(kPortNumberSlot));
}

void setLampTooltip(Console& console, const std::string& text) {
    const platform::Form::Entry* lamp = console.form.find(kPortLamp);
    if (lamp == nullptr || lamp->widget == nullptr) return;
    const QString tip = QString::fromStdString(text);
    if (lamp->widget->toolTip() != tip) lamp->widget->setToolTip(tip);
}

// The local time of day of a moment the serial unit logged, as "hh:mm:ss".
std::string clockText(serial::ReconnectionState::Time when) {
    const double secondsAgo = std::chrono::duration<double>(std::chrono::system_clock::now() - when).count();
    const runtime::DateTime local = runtime::Now() - secondsAgo / 86400.0;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", runtime::TimePart(local, 6), runtime::TimePart(local, 7),
                  runtime::TimePart(local, 8));
    return text;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

}  // namespace

std::string lampTooltip(int portNumber, bool opened, const std::string& device, const std::string& error,
                        const std::vector<std::string>& candidates) {
    const std::string port = "COM" + std::to_string(portNumber);
    if (opened) return port + " is open on " + device + ".";
    if (portNumber < 1) return "No port number is selected: choose one in the COM box.";
    if (device.empty()) {
        return port + " could not be opened: no such device (tried " + joined(candidates) +
               "). Plug the meter's adapter in, or link COM" + std::to_string(portNumber) +
               " in the working directory to its device.";
    }
    std::string text = port + " (" + device + ") could not be opened: " + (error.empty() ? "unknown error" : error) + ".";
    if (error.find("Permission denied") != std::string::npos) {
        text += " Your user must be in the group that owns the device (usually dialout): "
                "sudo usermod -aG dialout $USER, then log in again.";
    } else if (error.find("busy") != std::string::npos || error.find("in use") != std::string::npos) {
        text += " Another program holds the port; close it and try again.";
    }
    return text;
}

std::string connectionTooltip(int portNumber, const std::string& device, const ConnectionHistory& history) {
    const std::string port = "COM" + std::to_string(portNumber);
    const std::string times = history.losses == 1 ? "once" : std::to_string(history.losses) + " times";
    if (!history.abandoned.empty()) {
        return port + " went away at " + history.lostAt + " and is no longer watched for: " + history.abandoned +
               ". Put it right and press 打开串口 again.";
    }
    if (history.waiting) {
        return port + " (" + device + ") went away at " + history.lostAt +
               ": the adapter was unplugged or lost power. It is opened again as soon as it is back. Lost " + times +
               " since the port was opened.";
    }
    return port + " is open on " + device + ". It went away at " + history.lostAt + " and came back at " +
           history.backAt + "; lost " + times + " since the port was opened.";
}

void noticeLostDevice(Console& console) {
    if (!console.port.isOpen()) return;
    const serial::ReconnectionState state = console.port.reconnection();
    if (state.losses == 0) return;
    const ConnectionHistory history{state.losses, state.waiting, state.abandoned, clockText(state.lostAt),
                                    state.returns > 0 ? clockText(state.backAt) : std::string{}};
    setLampTooltip(console, connectionTooltip(selectedPortNumber(console), console.port.device(), history));
}

void openPort(Console& console) {
    platform::Form& form = console.form;
    console.values.inFrameFlag = 0;  // the next start byte begins a new frame
    const std::int32_t portNumber = runtime::ToInteger(form.comboText(kPortNumberCombo));
    console.port.writeProperty(kPortNumberSlot, portNumber);
    console.port.writeProperty(kBaudRateSlot, runtime::ToInteger(form.comboText(kBaudCombo)));
    // With no item selected there is no port: the unit's own rule would raise
    // the number to 1 and open COM1 behind the user's back. It fails as any
    // opening does, and an open port is closed as a new opening would.
    bool opened = false;
    if (portNumber >= 1) {
        opened = console.port.Open();
    } else {
        console.port.Close();
    }
    if (opened) {
        form.setFillColour(kPortLamp, kLampGreen);
        form.setInterval(kCurveTimer, 1000);
    } else {
        // The lamp is the only report; no timer is touched.
        form.setFillColour(kPortLamp, kLampRed);
    }
    const std::string device = opened ? console.port.device() : console.port.resolvedDevice();
    setLampTooltip(console, lampTooltip(portNumber, opened, device, console.port.lastOpenError(),
                                        serial::candidateDevices(portNumber)));
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
    discardFrameText(console);
    form.setText(kTemperatureReadout, "0");
    form.setFillColour(kPortLamp, kLampGrey);
    console.values.timingFlag = 0;
    form.setInterval(kClockTimer, 0);
    form.setCaption(kTimingButton, runtime::Gbk("开始计时"));
}

}  // namespace console
