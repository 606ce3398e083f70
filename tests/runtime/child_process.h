#pragma once
// Runs a helper program of the test suite as another process, the portable
// way: share modes and locks only show between processes.
#include <string>
#include <vector>

namespace runtime::testing {

// Path of `program` (a name without extension) built beside the running test.
std::string HelperBesideTest(const std::string& program);
// Runs it with the arguments and waits; its exit code, or -1 when it could not
// start or did not exit normally.
int RunChild(const std::string& program, const std::vector<std::string>& arguments);

// A helper left running until the test kills it, as a crash or a user would.
class RunningChild {
public:
    RunningChild(const std::string& program, const std::vector<std::string>& arguments);
    ~RunningChild();  // kills it if it still runs
    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;
    bool started() const;
    // Kills it at once and waits until it is gone; true when it was still running.
    bool kill();

    struct Process;

private:
    Process* m_process;
};

}  // namespace runtime::testing
