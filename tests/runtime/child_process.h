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

}  // namespace runtime::testing
