#include "web/plain_file.h"

#include <windows.h>

#include "lookback/utf8_path.h"
#include "storage/file_system.h"

namespace web {

// Read the way the recording's own reads are: sharing everything, so a
// download never holds up the next version's rename, and under the shared
// byte-range lock that keeps an in-place version from being read half done.
std::optional<std::string> readPlainFile(const std::string& path) {
    const std::filesystem::path file = lookback::utf8Path(path);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return std::nullopt;
    return storage::NativeFileSystem()->read(file);
}

}  // namespace web
