#pragma once
// The serial unit opens a port by number. A meter given as a device path
// (/dev/ttyUSB0, /dev/serial/by-id/..., a pty) gets a number of its own
// through a COMn link in a private working folder, the same link the console
// resolves first, so the unit's reconnection follows the link as it follows
// a user's. Port numbers keep the console's rules; a COMn link in the
// folder the recorder was started from still counts for them.
#include <string>
#include <vector>

#include "record/record_options.h"

namespace record {

class PortLinks {
public:
    PortLinks() = default;
    ~PortLinks();  // removes the private folder
    PortLinks(const PortLinks&) = delete;
    PortLinks& operator=(const PortLinks&) = delete;

    // A port number for each meter, in order. Empty on success, else what is
    // wrong (the meter's port named). Changes the working folder when links
    // are needed: make every relative path absolute first.
    std::string assign(const std::vector<MeterSpec>& meters, std::vector<int>& portNumbers);

private:
    std::string m_folder;
};

// A port number from "3" or "COM3", or 0 when the text is neither.
int portNumberOf(const std::string& port);

}  // namespace record
