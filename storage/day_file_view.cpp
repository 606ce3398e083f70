#include "storage/day_file_view.h"

#include "meter/recording_row.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLogSuffix = ".kzrt-log";
constexpr std::string_view kDraftSuffix = ".kzrt-new";
constexpr std::string_view kLockSuffix = ".kzrt-lock";

fs::path sideFile(const fs::path& dayFile, std::string_view suffix) {
    return dayFile.parent_path() / ("." + storedName(dayFile) + std::string(suffix));
}

std::optional<std::string> dayNameOf(const fs::path& side, std::string_view suffix) {
    const std::string name = storedName(side);
    if (name.size() <= 1 + suffix.size() || name[0] != '.' || !name.ends_with(suffix)) return std::nullopt;
    return name.substr(1, name.size() - 1 - suffix.size());
}

}  // namespace

std::optional<std::string> dayNameOfLog(const fs::path& log) { return dayNameOf(log, kLogSuffix); }
std::optional<std::string> dayNameOfDraft(const fs::path& draft) { return dayNameOf(draft, kDraftSuffix); }

std::string storedName(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return {name.begin(), name.end()};
}

fs::path directoryOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

runtime::Text normalisedBase(std::string_view base) {
    runtime::Text whole(base);
    if (whole.size() < meter::kRecordingHeaderBytes) {
        whole += meter::recordingHeader().substr(whole.size()) + "\r\n";
    }
    return whole;
}

runtime::Text dayFileView(std::string_view base, const std::vector<runtime::Text>& rows) {
    const runtime::Text whole = normalisedBase(base);
    std::size_t size = whole.size();
    for (const runtime::Text& row : rows) size += row.size();
    runtime::Text view;
    view.reserve(size);
    view.append(whole, 0, meter::kRecordingHeaderBytes);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) view += *row;
    view.append(whole, meter::kRecordingHeaderBytes);
    return view;
}

fs::path recordingLogPath(const fs::path& dayFile) { return sideFile(dayFile, kLogSuffix); }
fs::path recordingDraftPath(const fs::path& dayFile) { return sideFile(dayFile, kDraftSuffix); }
fs::path lockPath(const fs::path& dayFile) { return sideFile(dayFile, kLockSuffix); }

}  // namespace storage
