#include "serial/port_names.h"

#include <sys/stat.h>

namespace serial {

std::vector<std::string> candidateDevices(int portNumber, const std::string& devFolder) {
    if (portNumber < 1) return {};
    const std::string index = std::to_string(portNumber - 1);
    return {"COM" + std::to_string(portNumber), devFolder + "/ttyUSB" + index, devFolder + "/ttyACM" + index,
            devFolder + "/ttyS" + index};
}

std::string resolveDevice(int portNumber, const std::string& devFolder) {
    for (const std::string& name : candidateDevices(portNumber, devFolder)) {
        struct stat info {};
        // stat follows links: a COMn link left behind by a simulator that
        // has gone does not hide a real adapter.
        if (::stat(name.c_str(), &info) == 0) return name;
    }
    return {};
}

}  // namespace serial
