#include <limits.h>
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
        if (errno != ERANGE) return Text();
        buffer.resize(buffer.size() * 2);
    }
    std::string directory(buffer.data());
    if (!directory.empty() && directory.back() == '/') directory.pop_back();
    return GbkFromUtf8(directory);
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
