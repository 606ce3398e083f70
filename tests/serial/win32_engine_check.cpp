// Built by scripts/check-win32.sh with mingw-w64: proves that the Win32
// engine and the Qt-free parts compile and link together for Windows. Run on
// Windows it also checks the pure parts and that a missing port fails cleanly.
#include <cstdio>

#include "serial/notification.h"
#include "serial/port_channel.h"
#include "serial/port_hints.h"
#include "serial/port_names.h"
#include "serial/port_settings.h"

int main() {
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAILED: %s\n", what);
            ++failures;
        }
    };
    serial::PortSettings settings;
    settings.portNumber = 250;
    settings.eventChar = "\n";
    check(serial::decodePropertyBlock(serial::encodePropertyBlock(settings)) == settings, "property block round trip");
    check(serial::candidateDevices(3).front() == "\\\\.\\COM3", "device name");
    check(serial::eventFor(serial::byteNotification(0x41))->argument == 0x41, "DataArrived argument");
    // The device manager names no device for a port nobody has.
    check(serial::describeAdapter("\\\\.\\COM250").hardwarePath.empty(), "no device instance for COM250");

    int nudges = 0;
    serial::PortChannel channel([&nudges] { ++nudges; });
    check(!channel.send("X"), "send before open");
    const bool opened = channel.open(settings);
    if (opened) {
        std::printf("COM250 exists here; skipping the missing-port check\n");
        channel.close();
    } else {
        check(channel.lastError().kind == serial::PortErrorKind::NotFound, "missing port is NotFound");
        std::printf("COM250: %s\n", channel.lastError().message.c_str());
    }
    channel.close();
    check(!channel.isOpen(), "closed");
    std::printf(failures == 0 ? "win32 engine check passed\n" : "win32 engine check failed\n");
    return failures == 0 ? 0 : 1;
}
