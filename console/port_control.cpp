#include "console/port_control.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

#include "console/control_ids.h"
#include "console/data_recording.h"
#include "console/frame_receiving.h"
#include "console/settings_file.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "serial/port_names.h"
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

std::string connectionTooltip(int portNumber, const std::string& device, const ConnectionHistory& history) {
    const QString port = QStringLiteral("COM%1").arg(portNumber);
    const QString lostAt = QString::fromStdString(history.lostAt);
    const QString losses = QString::number(history.losses);
    if (!history.abandoned.empty()) {
        // The button's caption is the window's own text and is never translated.
        return PortLamp::tr("%1 went away at %2 and is no longer watched for: %3. Put it right and press %4 again.")
            .arg(port, lostAt, QString::fromStdString(history.abandoned), QStringLiteral("打开串口"))
            .toStdString();
    }
    if (history.waiting) {
        QString text = PortLamp::tr("%1 (%2) went away at %3: the adapter was unplugged or lost power. It is opened "
                                    "again as soon as it is back. Times lost since the port was opened: %4.")
                           .arg(port, QString::fromStdString(device), lostAt, losses);
        // Another device in its place is never opened: say which, so the
        // user is not left wondering why the port stays quiet.
        if (!history.refused.empty()) {
            text += QLatin1Char(' ') + PortLamp::tr("%1: it is left untouched, and %2 waits for the meter's adapter.")
                                           .arg(QString::fromStdString(history.refused), port);
        }
        return text.toStdString();
    }
    return PortLamp::tr("%1 is open on %2. It went away at %3 and came back at %4. Times lost since the port was "
                        "opened: %5.")
        .arg(port, QString::fromStdString(device), lostAt, QString::fromStdString(history.backAt), losses)
        .toStdString();
}

void noticeLostDevice(Console& console) {
    if (!console.port.isOpen()) return;
    const serial::ReconnectionState state = console.port.reconnection();
    if (state.losses == 0) return;
    const ConnectionHistory history{state.losses,          state.waiting,
                                    state.abandoned,       clockText(state.lostAt),
                                    state.returns > 0 ? clockText(state.backAt) : std::string{}, state.refused};
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
    endRecording(console);
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
