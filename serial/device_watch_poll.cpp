#include "serial/device_watch.h"

namespace serial {

// No change notification here: the reader polls for the device instead.
bool DeviceWatch::arm(const std::vector<std::string>&) { return false; }
void DeviceWatch::disarm() {}
void DeviceWatch::drain() {}

}  // namespace serial
