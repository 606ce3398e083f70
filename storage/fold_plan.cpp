#include "storage/fold_plan.h"

#include <optional>
#include <unordered_set>

#include "meter/recording_row.h"

namespace storage {
namespace {

struct Line {
    std::string_view text;  // without its line end
    std::string_view end;   // "\r\n", "\n", or empty for a last line cut short
};

// Lines as an editor sees them: a file converted to LF endings keeps its rows.
std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back({content, {}});
            break;
        }
        const bool crlf = newline > 0 && content[newline - 1] == '\r';
        lines.push_back({content.substr(0, crlf ? newline - 1 : newline), content.substr(crlf ? newline - 1 : newline, crlf ? 2 : 1)});
        content.remove_prefix(newline + 1);
    }
    return lines;
}

// A whole line that reads as a row: its time, else nothing (the header, a
// torn line, a note someone typed in).
std::optional<std::int64_t> rowTime(const Line& line) {
    if (line.end.empty() || line.text.find('\0') != std::string_view::npos) return std::nullopt;
    return meter::recordingRowTime(line.text);
}

bool newestFirst(const std::vector<std::int64_t>& times) {
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (times[i] > times[i - 1]) return false;
    }
    return true;
}

}  // namespace

FoldPlan planFold(std::string_view dayFile, std::string_view view) {
    if (dayFile == view) return {};
    const std::vector<Line> fileLines = splitLines(dayFile);
    const std::vector<Line> viewLines = splitLines(view);
    std::unordered_set<std::string_view> inView;
    for (std::size_t i = 1; i < viewLines.size(); ++i) inView.insert(viewLines[i].text);
    std::unordered_set<std::string_view> inFile;
    std::vector<std::int64_t> fileTimes;
    bool ownRows = false;
    for (std::size_t i = 1; i < fileLines.size(); ++i) {
        const std::optional<std::int64_t> time = rowTime(fileLines[i]);
        if (!time) continue;
        inFile.insert(fileLines[i].text);
        fileTimes.push_back(*time);
        ownRows = ownRows || !inView.contains(fileLines[i].text);
    }
    if (!ownRows) return {FoldPlan::Kind::kPublishView, {}, 0};
    const auto isCutShortViewLine = [&](std::string_view text) {
        for (std::size_t i = 1; i < viewLines.size(); ++i) {
            if (viewLines[i].text.starts_with(text)) return true;
        }
        return false;
    };
    // Zeros, or a last line cut short inside one of the view's rows: what a
    // power cut leaves of a version the log published, whose newest rows the
    // torn end of the log lost. Those rows go back on top of the view.
    const bool torn = dayFile.find('\0') != std::string_view::npos ||
                      (fileLines.size() > 1 && fileLines.back().end.empty() && isCutShortViewLine(fileLines.back().text));
    if (torn) {
        FoldPlan rebuilt{FoldPlan::Kind::kPublishView, runtime::Text(view.substr(0, meter::kRecordingHeaderBytes)), 0};
        for (std::size_t i = 1; i < fileLines.size(); ++i) {
            if (rowTime(fileLines[i]) && !inView.contains(fileLines[i].text)) {
                rebuilt.content.append("\r\n").append(fileLines[i].text);
            }
        }
        rebuilt.content.append(view.substr(meter::kRecordingHeaderBytes));
        return rebuilt;
    }

    // The view's rows that the file lacks, newest first as the view holds them.
    std::vector<std::string_view> missing;
    std::vector<std::int64_t> missingTimes;
    std::unordered_set<std::string_view> taken;
    for (std::size_t i = 1; i < viewLines.size(); ++i) {
        const std::optional<std::int64_t> time = rowTime(viewLines[i]);
        if (!time || inFile.contains(viewLines[i].text) || !taken.insert(viewLines[i].text).second) continue;
        missing.push_back(viewLines[i].text);
        missingTimes.push_back(*time);
    }
    if (missing.empty()) return {};

    if (!newestFirst(fileTimes) || !newestFirst(missingTimes)) {
        FoldPlan aside{FoldPlan::Kind::kSetAside, runtime::Text(viewLines.front().text) + "\r\n", missing.size()};
        for (std::string_view row : missing) aside.content.append(row).append("\r\n");
        return aside;
    }
    FoldPlan merged{FoldPlan::Kind::kMerge, {}, missing.size()};
    merged.content.reserve(dayFile.size() + view.size());
    std::size_t next = 0;
    const auto putMissingNewerThan = [&](std::optional<std::int64_t> time) {
        for (; next < missing.size() && (!time || missingTimes[next] > *time); ++next) {
            merged.content.append(missing[next]).append("\r\n");
        }
    };
    for (std::size_t i = 0; i < fileLines.size(); ++i) {
        const Line& line = fileLines[i];
        if (i > 0) {
            if (const std::optional<std::int64_t> time = rowTime(line)) putMissingNewerThan(time);
        }
        // The older rows go after the last whole line, before a last line
        // without its end.
        if (i > 0 && line.end.empty()) putMissingNewerThan(std::nullopt);
        // What a tear left (zeros, a row cut short that the view holds whole)
        // is no line of anyone's: it goes.
        if (i > 0 && (line.text.find('\0') != std::string_view::npos || (line.end.empty() && isCutShortViewLine(line.text)))) {
            continue;
        }
        merged.content.append(line.text).append(line.end);
    }
    putMissingNewerThan(std::nullopt);
    return merged;
}

}  // namespace storage
