#pragma once
// The whole-program benchmarks' children: a program started in a folder
// (quiet unless asked, with more environment if given), and stopped as a
// service manager stops it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace bench {

inline pid_t spawn(const std::filesystem::path& folder, std::vector<std::string> arguments, bool quiet = true,
                   std::vector<std::string> environment = {}) {
    std::fflush(stdout);  // or the child prints this process's pending lines again
    const pid_t pid = fork();
    if (pid == 0) {
        std::filesystem::current_path(folder);
        if (quiet) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
        }
        for (std::string& variable : environment) putenv(variable.data());
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// `count` meters simulated at 115200 baud (a battery, 20 times as fast), each
// on a pseudo-terminal linked as root/meterN/COM1, and named mN=that link at
// the end of `arguments` for kzrt-record. Returns the simulators' ids.
inline std::vector<pid_t> spawnSimulatedMeters(const std::string& simulator, const std::filesystem::path& root,
                                               int count, std::vector<std::string>& arguments) {
    std::vector<pid_t> simulators;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path folder = root / ("meter" + std::to_string(i));
        std::filesystem::create_directories(folder);
        simulators.push_back(spawn(folder, {simulator, "--port", "1", "--baud", "115200", "--fps", "0", "--profile",
                                            "battery", "--speed", "20"}));
        while (!std::filesystem::is_symlink(folder / "COM1")) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        arguments.push_back("m" + std::to_string(i) + "=" + (folder / "COM1").string());
    }
    return simulators;
}

inline void stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace bench
