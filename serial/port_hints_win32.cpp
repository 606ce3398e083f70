#include "serial/port_hints.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "serial/port_names.h"

namespace serial {
namespace {

// The device setup class of COM and LPT ports, {4D36E978-E325-11CE-BFC1-08002BE10318}.
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Whether the device's own settings give it this COM name ("COM3").
bool holdsPortName(HDEVINFO set, SP_DEVINFO_DATA& device, const std::string& port) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return false;
    char value[64] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const bool found = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                           ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    return found && _stricmp(value, port.c_str()) == 0;
}

// The device instance that holds a COM name now, as the device manager names
// it: "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000" carries the adapter's serial
// number, "USB\VID_2341&PID_0043\5&2B3C&0&2" the socket it is plugged into.
// "" where no present device claims the name (a driver that does not tell).
std::string instanceHolding(const std::string& port) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return {};
    std::string instance;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; instance.empty() && SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (!holdsPortName(set, device, port)) continue;
        char id[512] = {};
        if (SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr)) instance = id;
    }
    SetupDiDestroyDeviceInfoList(set);
    return instance;
}

}  // namespace

AdapterInfo describeAdapter(const std::string& devicePath, const DeviceTree&) {
    // "\\.\COM3" -> "COM3"
    const std::size_t slash = devicePath.rfind('\\');
    AdapterInfo info;
    info.hardwarePath = instanceHolding(slash == std::string::npos ? devicePath : devicePath.substr(slash + 1));
    return info;
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
