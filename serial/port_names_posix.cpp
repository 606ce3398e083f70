#include "serial/port_names.h"

#include <sys/stat.h>

namespace serial {

std::vector<std::string> candidateDevices(int portNumber) {
    if (portNumber < 1) return {};
    const std::string index = std::to_string(portNumber - 1);
    return {"COM" + std::to_string(portNumber), "/dev/ttyUSB" + index, "/dev/ttyACM" + index, "/dev/ttyS" + index};
}

std::string resolveDevice(int portNumber) {
    for (const std::string& name : candidateDevices(portNumber)) {
        struct stat info {};
        // stat follows links: a COMn link left behind by a simulator that
        // has gone does not hide a real adapter.
        if (::stat(name.c_str(), &info) == 0) return name;
    }
    return {};
}

}  // namespace serial
