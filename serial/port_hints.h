#pragma once
// Which port numbers lead to a device right now, and what stands behind each:
// what a user needs to tell their meter's adapter from the other ports.
#include <string>
#include <vector>

namespace serial {

// The USB adapter behind a terminal device, as the system describes it. Any
// field may be empty: a built-in port or a pseudo-terminal has none of them.
struct AdapterInfo {
    std::string vendorId;      // four hex digits, e.g. 0403
    std::string productId;
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
    std::string byIdName;      // the device's name under /dev/serial/by-id
    std::string usbPort;       // the USB interface it is, where it is plugged in: "1-2:1.0"
    std::string hardwarePath;  // a port that is no USB adapter: the system's path to it

    bool operator==(const AdapterInfo&) const = default;
};

struct PortHint {
    int portNumber = 0;
    std::string device;  // what the number resolved to: COM3, /dev/ttyUSB0 ...
    std::string target;  // the terminal device a link leads to; device itself otherwise
    AdapterInfo adapter;
};

// Where the system describes its devices; tests point these into a made-up tree.
struct DeviceTree {
    std::string sysClassTty = "/sys/class/tty";
    std::string serialById = "/dev/serial/by-id";
    std::string dev = "/dev";  // where the port-number rules look for ttyUSB0 and the like
    std::string sysDevChar = "/sys/dev/char";  // every character device by its number
};

// What the tree tells of the terminal device at devicePath (a link is
// followed to its end first). Unknown devices give an empty description.
AdapterInfo describeAdapter(const std::string& devicePath, const DeviceTree& tree = {});

// Every port number from 1 to lastNumber that resolves to a device now, by
// the same rules as opening the port, with the adapter behind it.
std::vector<PortHint> currentPortHints(int lastNumber, const DeviceTree& tree = {});

}  // namespace serial
