#pragma once
// CPU seconds (user + system) that another process has used so far, from
// /proc/PID/stat: the benchmarks that run a whole program measure it this way.
#include <sys/types.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace bench {

inline double processCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The command name may hold spaces and parentheses: fields follow the last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return 0.0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    double used = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14 || i == 15) used += std::stod(field);  // utime, stime in clock ticks
    }
    return used / double(sysconf(_SC_CLK_TCK));
}

}  // namespace bench
