#pragma once
// The byte format of a durable append-only log kept beside a file that is
// rewritten as a whole: a base (the file's content when the log began, or
// after another program changed the file) and then each text inserted since,
// in order. The file can always be made again from its log, whatever a crash
// left of the file itself.
//
// Every record carries its length and a CRC-32, so a record cut short or torn
// by a power cut is recognised and everything from it on is dropped, while
// the records before it stay good.
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
    std::size_t wholeBytes = 0;     // length of the good records; anything after is torn
};
// Nothing when the log does not begin with a whole base record (damaged, or
// not a log at all).
std::optional<LogContent> DecodeLog(std::string_view bytes);

// CRC-32 (the polynomial of zlib and PNG).
std::uint32_t Crc32(std::string_view bytes);

}  // namespace storage
