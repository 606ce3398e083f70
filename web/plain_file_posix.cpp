#include "web/plain_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace web {

std::optional<std::string> readPlainFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, std::size_t(n));
    ::close(fd);
    if (n < 0) return std::nullopt;
    return bytes;
}

}  // namespace web
