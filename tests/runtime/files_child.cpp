// The other process of the file tests: tries one file operation and says by
// its exit code whether it worked (0) or not (1).
//   runtime_files_child open NAME MODE SHARE
//   runtime_files_child write NAME CONTENT
#include <cstdlib>
#include <string_view>

#include "runtime/files.h"

int main(int argc, char** argv)
{
    if (argc < 4) return 2;
    const std::string_view operation = argv[1];
    const runtime::Text name = runtime::GbkFromUtf8(argv[2]);
    if (operation == "open" && argc == 5) {
        return runtime::OpenFile(name, std::atoi(argv[3]), std::atoi(argv[4])) != 0 ? 0 : 1;
    }
    if (operation == "write") return runtime::WriteToFile(name, {argv[3]}) ? 0 : 1;
    return 2;
}
