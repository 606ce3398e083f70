#include "storage/file_system.h"

#include <system_error>

namespace storage {

std::vector<std::filesystem::path> FileSystem::list(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_directory(error)) names.push_back(it->path().filename());
    }
    return names;
}

Copied FileSystem::appendTail(const std::filesystem::path& from, const FileStamp& expected, std::int64_t offset,
                              const std::filesystem::path& to)
{
    if (stamp(from) != expected) return Copied::kChanged;
    const std::optional<std::string> content = read(from);
    // Read between two looks at the same version: the content is that version.
    if (stamp(from) != expected) return Copied::kChanged;
    if (!content || std::int64_t(content->size()) < offset) return Copied::kFailed;
    return append(to, std::string_view(*content).substr(std::size_t(offset))) ? Copied::kDone : Copied::kFailed;
}

}  // namespace storage
