#include "previous_design.h"

#include "meter/recording_row.h"
#include "runtime/file_numbers.h"
#include "runtime/program_paths.h"

namespace bench {

bool previousRecordingTick(const std::filesystem::path& dayFile, std::string_view rowText) {
    // The program folder's write probe, learnt afresh on every tick.
    runtime::DirectoryWritable(dayFile.parent_path());
    if (!runtime::FileExists(dayFile)) {
        if (!runtime::WriteToFile(dayFile, {""})) return false;
        const int file = runtime::OpenFile(dayFile, 3, 3);
        runtime::MoveToFileEnd(file);
        const bool written = runtime::InsertText(file, {meter::recordingHeader(), "\r\n"});
        runtime::CloseFile(file);
        return written;
    }
    const int file = runtime::OpenFile(dayFile, 3, 3);
    if (file == 0) return false;
    runtime::MoveFilePosition(file, 1, std::int64_t(meter::kRecordingHeaderBytes));
    const bool written = runtime::InsertText(file, {rowText});
    runtime::CloseFile(file);
    return written;
}

}  // namespace bench
