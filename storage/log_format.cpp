#include "storage/log_format.h"

#include <array>
#include <cstdint>

namespace storage {
namespace {

// Record: "KZRL", kind, payload length (4 bytes), CRC-32 of kind, length and
// payload (4 bytes), payload. Numbers are little-endian.
constexpr std::string_view kMagic = "KZRL";
constexpr std::size_t kRecordHead = 4 + 1 + 4 + 4;
constexpr char kBase = 'B';
constexpr char kRow = 'R';

void PutNumber(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t GetNumber(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

std::string Record(char kind, std::string_view payload)
{
    std::string checked(1, kind);
    PutNumber(checked, static_cast<std::uint32_t>(payload.size()));
    checked.append(payload);
    std::string record(kMagic);
    record.push_back(kind);
    PutNumber(record, static_cast<std::uint32_t>(payload.size()));
    PutNumber(record, Crc32(checked));
    record.append(payload);
    return record;
}

struct Parsed {
    char kind;
    std::string_view payload;
    std::size_t size;
};

// The record at the start of `bytes`, when it is whole and its CRC holds.
std::optional<Parsed> ParseRecord(std::string_view bytes)
{
    if (bytes.size() < kRecordHead || !bytes.starts_with(kMagic)) return std::nullopt;
    const char kind = bytes[4];
    const std::uint32_t length = GetNumber(bytes.substr(5));
    if (bytes.size() - kRecordHead < length) return std::nullopt;
    std::string checked(1, kind);
    checked.append(bytes.substr(5, 4));
    checked.append(bytes.substr(kRecordHead, length));
    if (Crc32(checked) != GetNumber(bytes.substr(9))) return std::nullopt;
    return Parsed{kind, bytes.substr(kRecordHead, length), kRecordHead + length};
}

// A base payload: the file name's length (4 bytes), the name, the content.
bool ApplyBase(std::string_view payload, LogContent& log)
{
    if (payload.size() < 4) return false;
    const std::uint32_t nameLength = GetNumber(payload);
    if (payload.size() - 4 < nameLength) return false;
    log.fileName = std::string(payload.substr(4, nameLength));
    log.base = std::string(payload.substr(4 + nameLength));
    log.rows.clear();
    return true;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string EncodeLogBase(std::string_view fileName, std::string_view content)
{
    std::string payload;
    PutNumber(payload, static_cast<std::uint32_t>(fileName.size()));
    payload.append(fileName);
    payload.append(content);
    return Record(kBase, payload);
}

std::string EncodeLogRow(std::string_view row) { return Record(kRow, row); }

// A whole record somewhere after `from`.
bool WholeRecordAfter(std::string_view bytes, std::size_t from)
{
    for (std::size_t at = bytes.find(kMagic, from); at != std::string_view::npos; at = bytes.find(kMagic, at + 1)) {
        if (ParseRecord(bytes.substr(at))) return true;
    }
    return false;
}

std::optional<LogContent> DecodeLog(std::string_view bytes)
{
    LogContent log;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::optional<Parsed> next = ParseRecord(bytes.substr(at));
        const bool base = next && next->kind == kBase && ApplyBase(next->payload, log);
        if (!base && !(next && next->kind == kRow && log.hasBase)) break;
        if (base) {
            log.hasBase = true;
        } else {
            log.rows.emplace_back(next->payload);
        }
        at += next->size;
    }
    // The rows after a bad record would leave a gap: they are not used, and
    // the caller keeps the log for a closer look.
    log.damaged = at < bytes.size() && WholeRecordAfter(bytes, at + 1);
    if (!log.hasBase && !log.damaged) return std::nullopt;
    return log;
}

bool CutShortBeforeFirstRecord(std::string_view bytes)
{
    if (bytes.size() < kRecordHead) return kMagic.starts_with(bytes.substr(0, std::min(bytes.size(), kMagic.size())));
    return bytes.starts_with(kMagic) && bytes.size() - kRecordHead < GetNumber(bytes.substr(5));
}

}  // namespace storage
