#include "serial/port_names.h"

namespace serial {

std::vector<std::string> candidateDevices(int portNumber, const std::string&) {
    if (portNumber < 1) return {};
    // The device namespace form also reaches COM10 and above.
    return {"\\\\.\\COM" + std::to_string(portNumber)};
}

std::string resolveDevice(int portNumber, const std::string& devFolder) {
    // Windows tells whether the port exists only by opening it.
    std::vector<std::string> names = candidateDevices(portNumber, devFolder);
    return names.empty() ? std::string{} : names.front();
}

}  // namespace serial
