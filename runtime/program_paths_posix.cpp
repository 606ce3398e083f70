#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/program_paths.h"

namespace runtime {

Path CurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        // ENOENT: the directory was deleted while we stood in it.
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    return Path(std::string(buffer.data()));
}

// Permission bits do not tell: root passes every access() check, yet a
// read-only mount or a pseudo file system refuses new files, and a deleted
// directory takes none. So a probe file is made and removed at once; a
// recording tick renames a file in this directory anyway.
bool DirectoryWritable(const Path& directory)
{
    std::string probe = (directory / ".kzrt-write-probe-XXXXXX").native();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

Path DetectModulePath()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return Path();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return Path(std::string(buffer.data(), static_cast<std::size_t>(length)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

Path HomeDirectory()
{
    const char* home = std::getenv("HOME");
    return home != nullptr ? Path(std::string(home)) : Path();
}

}  // namespace runtime
