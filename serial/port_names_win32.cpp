#include "serial/port_names.h"

namespace serial {

std::vector<std::string> candidateDevices(int portNumber) {
    if (portNumber < 1) return {};
    // The device namespace form also reaches COM10 and above.
    return {"\\\\.\\COM" + std::to_string(portNumber)};
}

std::string resolveDevice(int portNumber) {
    // Windows tells whether the port exists only by opening it.
    std::vector<std::string> names = candidateDevices(portNumber);
    return names.empty() ? std::string{} : names.front();
}

}  // namespace serial
