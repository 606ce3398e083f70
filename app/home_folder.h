#pragma once
// Started from the desktop menu (or the Windows Start menu), the console
// works in one folder of the user's home: its settings file, its COMn links
// and the day files all go there, where the user finds them, and never into
// the program's own folder.
#include <filesystem>

namespace app {

// The option the desktop entry passes; without it the working directory is
// left as the shell or the file manager gave it.
inline constexpr char kHomeFolderOption[] = "--home-folder";
inline constexpr char kHomeFolderName[] = "KZRT";

bool wantsHomeFolder(int argc, const char* const* argv);

// Makes <home>/KZRT the working directory, creating the folder (never its
// parents) when it is missing. `home` is the name as the system gave it
// (runtime::HomeDirectory()), so a home named in any script works. Returns
// false and leaves the working directory as it was when home is empty or
// relative, or the folder cannot be made or entered (a home that takes no
// files, a file named KZRT): the console then works where it was started, and
// says so where a write fails.
bool enterHomeFolder(const std::filesystem::path& home);

}  // namespace app
