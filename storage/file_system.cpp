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

}  // namespace storage
