#pragma once
// The recording file's texts and the recording tick's decisions, as plain
// functions of plain values: the header, one row as it is inserted, the day's
// file name, the tick interval from the seconds box, and the staleness rule.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/date_time.h"
#include "runtime/gbk_codec.h"
#include "runtime/native_path.h"

namespace meter {

// The header line without its line end: 77 bytes of GBK. Rows go in at this
// offset, between the header's last comma and its CR LF.
runtime::Text recordingHeader();
constexpr std::size_t kRecordingHeaderBytes = 77;

// The seven read-out texts that one row carries, exactly as displayed.
struct ReadoutTexts {
    runtime::Text voltage;
    runtime::Text current;
    runtime::Text power;
    runtime::Text resistance;
    runtime::Text energy;
    runtime::Text charge;
    runtime::Text temperature;
};

// One row as it is inserted below the header: CR LF first and no line end of
// its own, so the header's CR LF ends up closing the oldest row. Each value is
// followed by its unit column.
runtime::Text recordingRowText(runtime::DateTime when, const ReadoutTexts& readouts);

// The time of a row as it is written (its line without the CR LF), as one
// number that orders rows by time: year, month, day, hour, minute, second.
// Nothing when the line does not begin with a row's time field.
std::optional<std::int64_t> recordingRowTime(std::string_view line);

// "KZRT" + year + month + day without padding + ".csv": 5 December 2015 is
// KZRT2015125.csv (11 January and 1 November share KZRT2015111.csv).
runtime::Text recordingFileName(runtime::DateTime when);
// The day's file in the given directory.
runtime::Path recordingFilePath(const runtime::Path& directory, runtime::DateTime when);

// Interval of the recording timer for the text of the seconds box: its
// leading whole number times 1000, truncated. Text without a number, "0" and
// negative numbers give 0, which stops the tick; a count of seconds whose
// milliseconds do not fit 32 bits (2147484 s and up, about 24.9 days) gives
// the longest interval a timer takes, INT32_MAX ms, rather than whatever the
// wrapped low 32 bits would have meant.
std::int32_t recordingIntervalMs(std::string_view secondsText);

// minute × 60 + second of a local date-time: what the update stamp holds.
int secondsWithinHour(runtime::DateTime when);

// Whether the meter has been silent long enough for the voltage, current,
// power and resistance read-outs to be cleared.
//
// With the monotonic time of the last received byte the answer is simply
// "3 s or more have passed", across the full hour and whatever the wall clock
// did meanwhile. Without one no byte has arrived since start-up: the
// read-outs can only hold the "0" of start-up or of closing the port, so the
// answer changes nothing visible; the minute-and-second rule of the update
// stamp is kept for that case (now exceeding the stamp by 3 s or more, an
// empty stamp reading 0).
bool readoutsStale(std::optional<std::int64_t> lastByteMs, std::int64_t nowMs,
                   std::string_view updateStamp, runtime::DateTime now);
constexpr std::int64_t kStaleAfterMs = 3000;

}  // namespace meter
