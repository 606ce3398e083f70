#pragma once
// One recording tick's work on the day's file: start the file with its header,
// or insert one row directly below the header, newest first.
#include <string_view>

#include "runtime/native_path.h"

namespace console {

enum class RecordingStep {
    FileCreated,      // the day's file was started: header and line end, no row yet
    RowInserted,      // the row now sits directly below the header
    CreateFailed,     // the file could not be created (no write access, disk full ...)
    OpenFailed,       // another program holds the file, or it cannot be opened
    WriteFailed,      // the insertion failed; the file keeps its old content
    ReadOnly,         // the user made the file read-only: it is left as it is
};

// Creates the day's file when it does not exist (the row is not written on
// that tick), otherwise inserts the row at the end of the 77-byte header.
// The file is held open with writing denied to others for the whole step.
//
// A day's file shorter than the header (a creation cut short leaves an empty
// file, or a user saved something small under the name) keeps every byte it
// has: the header's missing tail and its line end are appended, so the first
// line reaches the 77 bytes behind which rows go, and the row follows as
// usual. For an empty file or a partial header this is exactly the file that a
// whole creation and one row make. Nothing is ever written beyond the end of
// the file, which would leave a gap of zero bytes.
//
// Every change but the file's creation is one atomic replacement: a crash
// leaves the old content or the new, never a mix.
RecordingStep recordRow(const runtime::Path& path, std::string_view rowText);

}  // namespace console
