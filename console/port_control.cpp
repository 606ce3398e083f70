#include "console/port_control.h"

#include <QCoreApplication>

#include "console/control_ids.h"
#include "console/frame_decoder.h"
#include "console/settings_file.h"
#include "runtime/conversions.h"
#include "serial/serial_port_unit.h"

namespace console {
namespace {

// The lamp's help texts are the program's own, written in English and shown
// in the user's language.
struct PortLamp {
    Q_DECLARE_TR_FUNCTIONS(PortLamp)
};

constexpr int kPortNumberSlot = 8;
constexpr int kBaudRateSlot = 9;

int selectedPortNumber(const Console& console) {
    return platform::toInt(console.port.readProperty(kPortNumberSlot));
}

void setLampTooltip(Console& console, const std::string& text) {
    console.form.setToolTip(kPortLamp, QString::fromStdString(text));
}

void updateLampTooltip(Console& console, bool opened) {
    setLampTooltip(console, lampTooltip(selectedPortNumber(console), opened, console.port.resolvedDevice(),
                                        console.port.lastOpenError(), console.port.candidateDevices()));
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

}  // namespace

std::string lampTooltip(int portNumber, bool opened, const std::string& device, const std::string& error,
                        const std::vector<std::string>& candidates) {
    const QString port = QStringLiteral("COM%1").arg(portNumber);
    const QString deviceName = QString::fromStdString(device);
    if (opened) return PortLamp::tr("%1 is open on %2.").arg(port, deviceName).toStdString();
    if (portNumber < 1) return PortLamp::tr("No port number is selected: choose one in the COM box.").toStdString();
    if (device.empty()) {
        return PortLamp::tr("%1 could not be opened: no such device (tried %2). Plug the meter's adapter in, "
                            "or link %1 in the working directory to its device.")
            .arg(port, QString::fromStdString(joined(candidates)))
            .toStdString();
    }
    const QString reason = error.empty() ? PortLamp::tr("unknown error") : QString::fromStdString(error);
    QString text = PortLamp::tr("%1 (%2) could not be opened: %3.").arg(port, deviceName, reason);
    if (error.find("Permission denied") != std::string::npos) {
        text += QLatin1Char(' ') + PortLamp::tr("Your user must be in the group that owns the device (usually "
                                                "dialout): sudo usermod -aG dialout $USER, then log in again.");
    } else if (error.find("busy") != std::string::npos || error.find("in use") != std::string::npos) {
        text += QLatin1Char(' ') + PortLamp::tr("Another program holds the port; close it and try again.");
    }
    return text.toStdString();
}

std::string lostDeviceTooltip(int portNumber, const std::string& device) {
    // The button's caption is the window's own text and is never translated.
    return PortLamp::tr("%1 (%2) has stopped answering: the adapter was unplugged or lost power. "
                        "Plug it back in and press %3 again.")
        .arg(QStringLiteral("COM%1").arg(portNumber), QString::fromStdString(device), QStringLiteral("打开串口"))
        .toStdString();
}

void noticeLostDevice(Console& console) {
    if (!console.port.isOpen() || !console.port.deviceGone()) return;
    setLampTooltip(console, lostDeviceTooltip(selectedPortNumber(console), console.port.resolvedDevice()));
}

void openPort(Console& console) {
    platform::Form& form = console.form;
    console.values.inFrameFlag = 0;  // the next start byte begins a new frame
    console.port.writeProperty(kPortNumberSlot, runtime::ToInteger(form.comboText(kPortNumberCombo)));
    console.port.writeProperty(kBaudRateSlot, runtime::ToInteger(form.comboText(kBaudCombo)));
    const bool opened = console.port.Open();
    if (opened) {
        form.setFillColour(kPortLamp, kLampGreen);
        form.setInterval(kCurveTimer, 1000);
    } else {
        // The lamp is the only report; no timer is touched.
        form.setFillColour(kPortLamp, kLampRed);
    }
    updateLampTooltip(console, opened);
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
