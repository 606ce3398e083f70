#include "serial/port_hints.h"

#include <windows.h>

#include "serial/port_names.h"

namespace serial {

AdapterInfo describeAdapter(const std::string&, const DeviceTree&) {
    // Windows names its adapters in the device manager, not in files.
    return {};
}

std::vector<PortHint> currentPortHints(int lastNumber, const DeviceTree&) {
    std::vector<PortHint> hints;
    for (int number = 1; number <= lastNumber; ++number) {
        const std::string name = resolveDevice(number);
        // Windows tells whether a port exists only by opening it; one that
        // another program holds answers "access denied" and exists too.
        HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool exists = handle != INVALID_HANDLE_VALUE || ::GetLastError() == ERROR_ACCESS_DENIED;
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
        if (exists) hints.push_back(PortHint{number, name, name, {}});
    }
    return hints;
}

}  // namespace serial
