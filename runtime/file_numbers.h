#pragma once
// File numbers: small integers standing for open files, as the console's
// handlers use them. Names are the system's own (runtime/native_path.h); the
// bytes written are GBK texts.
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/gbk_codec.h"
#include "runtime/native_path.h"

namespace runtime {

bool FileExists(const Path& name);

// True when the file exists and its owner made it read-only (no write
// permission bits on POSIX, the read-only attribute on Windows). Such a file
// is never replaced or rewritten: InsertText and settings writes refuse it.
bool FileIsReadOnly(const Path& name);

// True while an earlier rewrite of the file in place was cut short and its
// journal cannot be applied yet (Windows, where another program holds the file
// open without delete sharing and locks a range of it, or the disk is full).
// Until it is applied, OpenFile and reads of the file fail rather than hand
// out torn content, and nothing replaces the journal. Never on POSIX.
bool FileRewriteUnfinished(const Path& name);

// Modes: 1 read, 2 write, 3 read/write, 4 create-or-truncate write,
// 5 create-if-missing write, 6 create-if-missing read/write.
// Shares: 1 none denied, 2 deny read, 3 deny write, 4 exclusive. On POSIX
// shares 2..4 take a non-blocking exclusive advisory lock held until CloseFile;
// a lock held elsewhere (another process, or another file number of this one)
// makes OpenFile fail, and mode 4 then leaves the file untruncated.
// Returns the smallest free file number (1, 2, ...), or 0 on failure, an empty
// name, a directory, or a mode or share outside the lists above.
int OpenFile(const Path& name, int mode = 3, int share = 1);
bool CloseFile(int fileNumber);
// Base 1 start, 2 current, 3 end; any other base, and a position that would
// fall before the start, leaves the position as it is.
void MoveFilePosition(int fileNumber, int base, std::int64_t offset);
void MoveToFileEnd(int fileNumber);
// Writes each text followed by CR LF at the position.
bool WriteTextLine(int fileNumber, std::initializer_list<std::string_view> texts);
// Inserts the concatenated texts at the position; the position ends after them.
// The file on disk changes atomically: the new content is written to a
// temporary file beside it, which then replaces it by a rename (the file
// number follows, its lock taken on the new file before the rename). A crash
// leaves the old or the new content, never a mix. A position beyond the end
// inserts at the end, so nothing is lost and no gap is written. Needs a file
// opened for reading and writing (modes 3 and 6); false for other modes or
// when the name no longer leads to the open file (replaced or deleted by
// someone else), with nothing changed. Inserting nothing changes nothing.
bool InsertText(int fileNumber, std::initializer_list<std::string_view> texts);
// Creates or truncates the file (exclusive, write) and writes the byte sets in
// order; false on an empty name or when the file cannot be created or locked.
bool WriteToFile(const Path& name, std::initializer_list<std::string_view> byteSets);

}  // namespace runtime
