#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "runtime/program_paths.h"

namespace runtime {

Text CurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        // ENOENT: the directory was deleted while we stood in it.
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    std::string directory(buffer.data());
    if (!directory.empty() && directory.back() == '/') directory.pop_back();
    return GbkFromUtf8(directory);
}

bool DirectoryWritable(std::string_view directory)
{
    const std::string path = directory.empty() ? std::string("/") : Utf8FromGbk(directory);
    struct stat status{};
    if (stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    // A deleted directory (our own ".") still answers access() but takes no new files.
    if (status.st_nlink == 0) return false;
    // The effective ids decide, as they do when the file is created; a
    // read-only mount answers EROFS even to root.
    return faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

Text DetectModulePath()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return Text();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return GbkFromUtf8(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace runtime
