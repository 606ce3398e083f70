#include "app/home_folder.h"

#include <string_view>
#include <system_error>

namespace app {

bool wantsHomeFolder(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == kHomeFolderOption) return true;
    }
    return false;
}

bool enterHomeFolder(const std::filesystem::path& home) {
    namespace fs = std::filesystem;
    // An unset HOME must not turn into the root or the current directory.
    std::error_code error;
    if (home.empty() || !home.is_absolute() || !fs::is_directory(home, error)) return false;
    const fs::path folder = home / kHomeFolderName;
    if (!fs::is_directory(folder, error) && !fs::create_directory(folder, error)) return false;
    fs::current_path(folder, error);
    return !error;
}

}  // namespace app
