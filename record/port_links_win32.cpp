#include "record/port_links.h"

namespace record {

PortLinks::~PortLinks() = default;

void PortLinks::followReplacedLinks() {}

// Windows names every serial port COMn, so a port is always a number.
std::string PortLinks::assign(const std::vector<MeterSpec>& meters, std::vector<int>& portNumbers) {
    portNumbers.clear();
    for (const MeterSpec& meter : meters) {
        std::string port = meter.port;
        if (port.starts_with("\\\\.\\")) port = port.substr(4);
        const int number = portNumberOf(port);
        if (number == 0) return "'" + meter.port + "' is not a port number or COMn";
        portNumbers.push_back(number);
    }
    return {};
}

}  // namespace record
