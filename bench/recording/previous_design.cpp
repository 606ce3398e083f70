#include "previous_design.h"

#include <filesystem>

#include "console/recording_row.h"
#include "runtime/files.h"
#include "runtime/program_paths.h"

namespace bench {

bool previousRecordingTick(const std::string& dayFileUtf8, std::string_view rowText) {
    const runtime::Text path = runtime::GbkFromUtf8(dayFileUtf8);
    // The program folder's write probe, learnt afresh on every tick.
    runtime::DirectoryWritable(runtime::GbkFromUtf8(std::filesystem::path(dayFileUtf8).parent_path().string()));
    if (!runtime::FileExists(path)) {
        if (!runtime::WriteToFile(path, {""})) return false;
        const int file = runtime::OpenFile(path, 3, 3);
        runtime::MoveToFileEnd(file);
        const bool written = runtime::InsertText(file, {console::recordingHeader(), "\r\n"});
        runtime::CloseFile(file);
        return written;
    }
    const int file = runtime::OpenFile(path, 3, 3);
    if (file == 0) return false;
    runtime::MoveFilePosition(file, 1, std::int64_t(console::kRecordingHeaderBytes));
    const bool written = runtime::InsertText(file, {rowText});
    runtime::CloseFile(file);
    return written;
}

}  // namespace bench
