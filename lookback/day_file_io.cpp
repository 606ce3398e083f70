#include "lookback/day_file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "lookback/utf8_path.h"

namespace lookback {
namespace {

// Empty on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream file(utf8Path(path), std::ios::binary | std::ios::ate);
    if (!file) return std::strerror(errno);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    bytes.resize(size > 0 ? std::size_t(size) : 0);
    file.read(bytes.data(), std::streamsize(bytes.size()));
    // A file that grew meanwhile (a recording) is read up to the size seen.
    bytes.resize(std::size_t(file.gcount()));
    return file.bad() ? std::string("read error") : std::string{};
}

}  // namespace

std::string writeOutput(const std::string& path, const std::string& bytes) {
    if (path.empty() || path == "-") {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() ? std::string{} : "write error";
    }
    std::ofstream file(utf8Path(path), std::ios::binary | std::ios::trunc);
    if (!file || !file.write(bytes.data(), std::streamsize(bytes.size())).flush()) return std::strerror(errno);
    return {};
}

LoadedDayFile loadDayFile(const std::string& path) {
    LoadedDayFile loaded;
    std::string bytes;
    if (loaded.error = readWholeFile(path, bytes); !loaded.error.empty()) return loaded;
    loaded.file = readDayFile(bytes);
    if (!loaded.file.headerFound) {
        // Rows without their header may be a cut-off copy; bytes that hold no
        // row at all are something else altogether.
        loaded.error = bytes.empty() || !loaded.file.rows.empty() ? "no recording header" : "not a recording";
    }
    return loaded;
}

}  // namespace lookback
