#pragma once
// The platform half of the file operations (native_file_posix.cpp, native_file_win32.cpp).
// files.cpp keeps the file-number table on top of it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/native_path.h"

namespace runtime {

// One open file with the mode and share rules of OpenFile.
class NativeFile {
public:
    // nullptr when the file cannot be opened or locked.
    static std::unique_ptr<NativeFile> open(const Path& name, int mode, int share);
    ~NativeFile();
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    bool seek(int base, std::int64_t offset);  // base 1 start, 2 current, 3 end
    bool write(std::string_view bytes);        // at the position, which advances
    bool insert(std::string_view bytes);       // atomic, as InsertText documents

    struct State;
    explicit NativeFile(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> m_state;
};

// The whole content, or nothing when the file cannot be read.
std::optional<std::string> ReadWholeFile(const Path& name);
// Writes `content` to a temporary file beside `name`, then renames it over
// `name`, so readers see the old or the new content and never a mix.
bool ReplaceWholeFile(const Path& name, std::string_view content);

}  // namespace runtime
