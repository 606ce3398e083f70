#pragma once
// The serial unit opens a port by number. A meter given as a device path
// (/dev/ttyUSB0, /dev/serial/by-id/..., a pty) gets a number of its own
// through a COMn link in a private working folder, the same link the console
// resolves first, so the unit's reconnection follows the link as it follows
// a user's. Port numbers keep the console's rules; a COMn link in the
// folder the recorder was started from still counts for them.
//
// The serial unit trusts a COMn link that was put back (a new pin) and
// refuses a new pseudo-terminal behind an unchanged one. When the user's own
// link behind a private one is put back, the private link is put back too,
// so the unit judges the user's link, not ours.
#include <cstdint>
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

    // Puts back each private link whose user link was put back since; run
    // about once a second.
    void followReplacedLinks();

private:
    // A private link and the user's link it leads to, as that stood when seen.
    struct Link {
        std::string privateLink;
        std::string userLink;
        std::uint64_t inode = 0;
        std::int64_t changedNs = 0;
    };
    std::string m_folder;
    std::vector<Link> m_links;
};

// A port number from "3" or "COM3", or 0 when the text is neither.
int portNumberOf(const std::string& port);

}  // namespace record
