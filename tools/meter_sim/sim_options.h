#pragma once
// Command line of kzrt-meter-sim.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/meter_sim/meter_profile.h"

namespace meter_sim {

struct Options {
    int port = 1;             // links COM<port> in the working directory
    int baud = 2400;          // the line is paced as 8E1 at this rate
    double fps = 4.0;         // frames per second; 0 = back to back
    Profile profile = Profile::Battery;
    double speed = 1.0;       // profile seconds per real second
    double noise = 0.0;       // chance per frame of a burst of garbage before it
    double drop = 0.0;        // chance per byte of being lost
    std::string oneShot;      // bytes sent once, when a program first opens the port
    bool exitAfterOneShot = false;
    bool startInText = false;
    unsigned seed = 1;
    bool help = false;
};

struct ParsedOptions {
    std::optional<Options> options;
    std::string error;  // set when options is empty
};

ParsedOptions parseOptions(const std::vector<std::string_view>& args);
std::string usage();

}  // namespace meter_sim
