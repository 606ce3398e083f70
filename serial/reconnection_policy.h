#pragma once
// Which device a port whose device went away may reopen: only the one it had
// open. The decision is a pure function of what was opened and what the
// system shows now, so that it can be tested without devices; the sightings
// it works on are gathered by device_sighting.h.
//
// A device that is present but is not the meter's (another program's
// pseudo-terminal that got the freed number, an Arduino that appeared as
// ttyACM0) is never opened: opening it alone would set its line to the
// meter's settings and take it from its owner.
#include <cstdint>
#include <string>
#include <vector>

#include "serial/port_hints.h"

namespace serial {

enum class DeviceKind {
    Missing,         // the name leads nowhere (absent, or a dangling link)
    NotADevice,      // a regular file, a folder ...
    NotATerminal,    // a device, but no terminal (/dev/null)
    PseudoTerminal,  // belongs to whichever program holds its master side
    Terminal,        // a serial device
};

// A working-directory link as it stands: a link put back (by the simulator,
// or by a user) is a new file, even when it names the same target.
struct LinkStamp {
    std::uint64_t fileSystem = 0;
    std::uint64_t inode = 0;
    std::int64_t changedNs = 0;  // status change time
    std::string target;

    bool operator==(const LinkStamp&) const = default;
};

// A device name as the system shows it at one moment.
struct DeviceSighting {
    std::string name;             // as looked up: "COM3", "/dev/ttyUSB1"
    std::string device;           // where its links end: "/dev/ttyUSB1", "/dev/pts/4"
    DeviceKind kind = DeviceKind::Missing;
    std::string why;              // NotADevice, NotATerminal: what it is instead
    std::uint64_t deviceNumber = 0;
    bool throughLink = false;     // a COMn link in the working directory
    LinkStamp link;               // throughLink: the link itself
    bool throughStableName = false;  // its links pass a /dev/serial/by-id name (or \\.\COMn)
    AdapterInfo adapter;          // empty fields: unknown
};

// Whether the system told enough to recognise the device again.
bool identified(const AdapterInfo& adapter);
// The same adapter: USB vendor, product and serial number (without a serial,
// the USB port it is plugged into), or the same built-in port. Unknown
// identities are never the same.
bool sameAdapter(const AdapterInfo& a, const AdapterInfo& b);

// What a port's device looks like at a moment of waiting for its return.
struct SystemView {
    DeviceSighting atName;                // the name the port was opened under
    std::vector<DeviceSighting> adapters;  // every ttyUSB* and ttyACM* (port-number rules only)
    std::vector<DeviceSighting> newcomers;  // other port-number candidates present now but not at Open
};

struct ReconnectDecision {
    enum class Action { Reopen, Wait, Refuse, GiveUp };
    Action action = Action::Wait;
    std::string name;    // Reopen: the name to open; Refuse: the device left alone
    std::string reason;  // Refuse, GiveUp: why, in words for the port lamp's tooltip

    bool operator==(const ReconnectDecision&) const = default;
};

ReconnectDecision decideReconnection(const DeviceSighting& opened, const SystemView& now);

}  // namespace serial
