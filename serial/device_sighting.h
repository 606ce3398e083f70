#pragma once
// What a device name leads to now, gathered for the reconnection policy
// (reconnection_policy.h): the kind of file at the end of its links, the link
// itself, and the adapter behind it. Read from the device tree, which tests
// point at a made-up /sys and /dev.
#include <string>
#include <vector>

#include "serial/port_hints.h"
#include "serial/reconnection_policy.h"

namespace serial {

DeviceSighting sightDevice(const std::string& name, const DeviceTree& tree = {});

// The port-number candidates of `portNumber` that exist now.
std::vector<std::string> presentCandidates(int portNumber, const DeviceTree& tree = {});

// Everything the policy weighs for a port opened as `opened`: the name it was
// opened under and, for a port found by the port-number rules, every USB
// adapter and the candidates that were not there at Open.
SystemView lookAround(const DeviceSighting& opened, int portNumber, const std::vector<std::string>& presentAtOpen,
                      const DeviceTree& tree = {});

}  // namespace serial
