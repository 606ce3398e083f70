#include "meter/recording_row.h"

#include <cmath>
#include <limits>

#include "runtime/conversions.h"
#include "runtime/file_numbers.h"
#include "runtime/texts.h"

namespace meter {

runtime::Text recordingHeader() {
    // The unit columns of the rows sit under the empty columns; the trailing
    // comma gives the header one field more than a row.
    static const runtime::Text header = runtime::Gbk(
        "时间(H:M:S),电压(V),,电流(A),,功率(W),,电阻(R),,瓦时(Wh),,安时(Ah),,温度(℃),");
    return header;
}

runtime::Text recordingRowText(runtime::DateTime when, const ReadoutTexts& readouts) {
    static const runtime::Text degrees = runtime::Gbk(",℃");
    // No value is reformatted or quoted: the read-outs never hold a comma.
    return runtime::JoinTexts({"\r\n", runtime::TimeToText(when, 1), ",",
                               readouts.voltage, ",V,",
                               readouts.current, ",A,",
                               readouts.power, ",W,",
                               readouts.resistance, ",R,",
                               readouts.energy, ",Wh,",
                               readouts.charge, ",Ah,",
                               readouts.temperature, degrees});
}

namespace {

// Digits up to a GBK marker ("年", "时" ...), moving past both.
bool readPart(std::string_view& text, std::string_view marker, std::int64_t& value) {
    std::size_t digits = 0;
    value = 0;
    while (digits < text.size() && digits < 6 && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + (text[digits] - '0');
        ++digits;
    }
    if (digits == 0 || !text.substr(digits).starts_with(marker)) return false;
    text.remove_prefix(digits + marker.size());
    return true;
}

}  // namespace

std::optional<std::int64_t> recordingRowTime(std::string_view line) {
    static const runtime::Text markers[] = {runtime::Gbk("年"), runtime::Gbk("月"), runtime::Gbk("日"),
                                            runtime::Gbk("时"), runtime::Gbk("分"), runtime::Gbk("秒")};
    std::string_view text = line.substr(0, line.find(','));
    if (text.size() == line.size()) return std::nullopt;
    // Trailing parts that are zero are left out of the text.
    std::int64_t parts[6] = {};
    for (int i = 0; i < 6 && (i < 3 || !text.empty()); ++i) {
        if (!readPart(text, markers[i], parts[i])) return std::nullopt;
    }
    if (!text.empty() || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31 || parts[3] > 23 ||
        parts[4] > 59 || parts[5] > 59) {
        return std::nullopt;
    }
    std::int64_t key = 0;
    const std::int64_t scale[6] = {10000, 13, 32, 24, 60, 60};
    for (int i = 0; i < 6; ++i) key = key * scale[i] + parts[i];
    return key;
}

runtime::Text recordingFileName(runtime::DateTime when) {
    return runtime::JoinTexts({"KZRT", runtime::ToText(std::int32_t{runtime::TimePart(when, 1)}),
                               runtime::ToText(std::int32_t{runtime::TimePart(when, 3)}),
                               runtime::ToText(std::int32_t{runtime::TimePart(when, 5)}), ".csv"});
}

runtime::Path recordingFilePath(const runtime::Path& directory, runtime::DateTime when) {
    return directory / runtime::AsciiName(recordingFileName(when));
}

std::int32_t recordingIntervalMs(std::string_view secondsText) {
    const double milliseconds = std::trunc(double(runtime::ToInteger(secondsText)) * 1000.0);
    if (milliseconds <= 0.0) return 0;
    constexpr std::int32_t longest = std::numeric_limits<std::int32_t>::max();
    if (milliseconds >= double(longest)) return longest;
    return std::int32_t(milliseconds);
}

int secondsWithinHour(runtime::DateTime when) {
    return runtime::TimePart(when, 7) * 60 + runtime::TimePart(when, 8);
}

bool readoutsStale(std::optional<std::int64_t> lastByteMs, std::int64_t nowMs,
                   std::string_view updateStamp, runtime::DateTime now) {
    if (lastByteMs) return nowMs - *lastByteMs >= kStaleAfterMs;
    const double s = secondsWithinHour(now);
    const double u = runtime::ToInteger(updateStamp);
    return s - u - 2.0 > 1e-7;
}

}  // namespace meter
