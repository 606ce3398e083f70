#pragma once
// What tells one version of a file from another.
#include <cstdint>

namespace runtime {

// The file itself (device and file number) and its size and modification time.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// Same file (device and number), whatever its size or time.
inline bool SameFile(const FileStamp& a, const FileStamp& b) { return a.device == b.device && a.file == b.file; }

}  // namespace runtime
