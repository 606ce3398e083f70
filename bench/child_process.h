#pragma once
// The whole-program benchmarks' children: a program started in a folder
// (quiet unless asked, with more environment if given), and stopped as a
// service manager stops it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
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

inline void stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace bench
