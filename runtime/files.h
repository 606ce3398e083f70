#pragma once
// File numbers: small integers standing for open files, as the console's
// handlers use them. Names are GBK texts; they are converted to the platform's
// file-name encoding here.
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

// Separator that joins a directory and a file name on this platform.
std::string_view PathSeparator();

bool FileExists(std::string_view name);

// Modes: 1 read, 2 write, 3 read/write, 4 create-or-truncate write,
// 5 create-if-missing write, 6 create-if-missing read/write.
// Shares: 1 none denied, 2 deny read, 3 deny write, 4 exclusive. On POSIX
// shares 2..4 take a non-blocking exclusive advisory lock held until CloseFile;
// a lock held elsewhere makes OpenFile fail.
// Returns the file number, or 0 on failure or an empty name.
int OpenFile(std::string_view name, int mode = 3, int share = 1);
bool CloseFile(int fileNumber);
// Base 1 start, 2 current, 3 end; any other base does nothing.
void MoveFilePosition(int fileNumber, int base, std::int64_t offset);
void MoveToFileEnd(int fileNumber);
// Writes each text followed by CR LF at the position.
bool WriteTextLine(int fileNumber, std::initializer_list<std::string_view> texts);
// Inserts the concatenated texts at the position; the position ends after them.
// The file on disk changes atomically: a crash leaves the old or the new content.
bool InsertText(int fileNumber, std::initializer_list<std::string_view> texts);
// Creates or truncates the file and writes the byte sets in order.
bool WriteToFile(std::string_view name, std::initializer_list<std::string_view> byteSets);

}  // namespace runtime
