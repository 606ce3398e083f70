// The other process of the file tests: tries one file operation and says by
// its exit code whether it worked (0) or not (1).
//   runtime_files_child open NAME MODE SHARE
//   runtime_files_child write NAME CONTENT
//   runtime_files_child lock NAME   (Windows)
//       holds the file open for reading, denying others writing and
//       deleting, and locks its first megabyte, as another program may,
//       until it is killed
//   runtime_files_child insert NAME HEADER_BYTES
//       inserts rows behind the header for ever, each numbered one above the
//       newest one found, until it is killed (the kill tests)
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "runtime/file_numbers.h"
#include "runtime/native_file.h"
#include "tests/runtime/numbered_row.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

int InsertForEver(const runtime::Path& name, long headerBytes)
{
    const std::optional<std::string> content = runtime::ReadWholeFile(name);
    if (!content) return 1;
    long number = content->size() > static_cast<std::size_t>(headerBytes)
                      ? std::atol(content->c_str() + headerBytes + 4) : 0;
    const int file = runtime::OpenFile(name, 3, 3);
    if (file == 0 || !runtime::WriteToFile(runtime::Path(name) += ".started", {"1"})) return 1;
    for (;;) {
        runtime::MoveFilePosition(file, 1, headerBytes);
        if (!runtime::InsertText(file, {runtime::testing::NumberedRow(++number)})) return 1;
    }
}

#ifdef _WIN32
int HoldLocked(const std::string& utf8)
{
    const std::filesystem::path path(std::u8string(utf8.begin(), utf8.end()));
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    OVERLAPPED at{};
    if (file == INVALID_HANDLE_VALUE || !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1 << 20, 0, &at)) return 1;
    std::filesystem::path marker = path;
    marker += ".locked";
    std::ofstream{marker} << 1;
    for (;;) Sleep(1000);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const std::string_view operation = argv[1];
    const std::string utf8 = argv[2];
    const runtime::Path name(std::u8string(utf8.begin(), utf8.end()));
    if (operation == "open" && argc == 5) {
        return runtime::OpenFile(name, std::atoi(argv[3]), std::atoi(argv[4])) != 0 ? 0 : 1;
    }
#ifdef _WIN32
    if (operation == "lock") return HoldLocked(argv[2]);
#endif
    if (argc < 4) return 2;
    if (operation == "write") return runtime::WriteToFile(name, {argv[3]}) ? 0 : 1;
    if (operation == "insert") return InsertForEver(name, std::atol(argv[3]));
    return 2;
}
