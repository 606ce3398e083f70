#include "meter/recording_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "meter/recording_row.h"
#include "runtime/files.h"

namespace console {
namespace {

// Mode 3 reads and writes; share 3 denies writing to others while we hold it.
constexpr int kReadWrite = 3;
constexpr int kDenyWrite = 3;
constexpr int kFromStart = 1;

std::optional<std::uintmax_t> fileLength(const runtime::Path& path) {
    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return length;
}

// The file is first made empty and then receives its header in one atomic
// insertion, so a crash leaves no file, an empty one or the whole header:
// the first and last are handled by the next tick like any other.
RecordingStep createDayFile(const runtime::Path& path) {
    if (!runtime::WriteToFile(path, {""})) return RecordingStep::CreateFailed;
    const int file = runtime::OpenFile(path, kReadWrite, kDenyWrite);
    if (file == 0) return RecordingStep::OpenFailed;
    runtime::MoveToFileEnd(file);
    const bool written = runtime::InsertText(file, {recordingHeader(), "\r\n"});
    runtime::CloseFile(file);
    return written ? RecordingStep::FileCreated : RecordingStep::CreateFailed;
}

RecordingStep insertBelowHeader(int file, const runtime::Path& path, std::string_view rowText) {
    const std::optional<std::uintmax_t> length = fileLength(path);
    if (!length) return RecordingStep::WriteFailed;
    if (*length < kRecordingHeaderBytes) {
        // Complete the first line at the file's end instead of seeking past it.
        const runtime::Text tail = recordingHeader().substr(std::size_t(*length));
        runtime::MoveToFileEnd(file);
        return runtime::InsertText(file, {tail, rowText, "\r\n"}) ? RecordingStep::RowInserted
                                                                  : RecordingStep::WriteFailed;
    }
    runtime::MoveFilePosition(file, kFromStart, std::int64_t(kRecordingHeaderBytes));
    return runtime::InsertText(file, {rowText}) ? RecordingStep::RowInserted : RecordingStep::WriteFailed;
}

}  // namespace

RecordingStep recordRow(const runtime::Path& path, std::string_view rowText) {
    if (!runtime::FileExists(path)) return createDayFile(path);
    if (runtime::FileIsReadOnly(path)) return RecordingStep::ReadOnly;
    const int file = runtime::OpenFile(path, kReadWrite, kDenyWrite);
    if (file == 0) return RecordingStep::OpenFailed;
    const RecordingStep step = insertBelowHeader(file, path, rowText);
    runtime::CloseFile(file);
    return step;
}

}  // namespace console
