#pragma once
// The byte format of a durable append-only log kept beside a file that is
// rewritten as a whole: a base (the file's content when the log began, or
// after another program changed the file) and then each text inserted since,
// in order. The file can always be made again from its log, whatever a crash
// left of the file itself.
//
// Every record carries its length and a CRC-32, so a record cut short or torn
// by a power cut is recognised, and everything from it on is dropped while
// the records before it stay good. Whole records behind a bad one mean the
// log may have been damaged otherwise (or a power cut tore an earlier sector
// of the last write and kept a later one): the decoder says so, and the log
// is kept rather than removed.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

std::string EncodeLogBase(std::string_view fileName, std::string_view content);
std::string EncodeLogRow(std::string_view row);

struct LogContent {
    std::string fileName;           // the name of the file this log belongs to
    std::string base;               // its content when the last base was taken
    std::vector<std::string> rows;  // texts inserted since, oldest first
    bool hasBase = false;           // false: the first record is no whole base; nothing else is used
    bool damaged = false;           // whole records follow a bad one: not only a torn end
};
// Nothing when the bytes hold neither a whole base nor a damaged log.
std::optional<LogContent> DecodeLog(std::string_view bytes);
// True when the bytes are only a record's beginning, cut short (or nothing):
// what a crash leaves while the log's first record is being written.
bool CutShortBeforeFirstRecord(std::string_view bytes);

// CRC-32 (the polynomial of zlib and PNG).
std::uint32_t Crc32(std::string_view bytes);

}  // namespace storage
