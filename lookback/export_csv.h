#pragma once
// `kzrt-record export`: day files as one tidy UTF-8 CSV, oldest row first,
// times in ISO 8601 local time with their offset, plain numbers, and an empty
// cell for a read-out that held no number ("-OVLD-").
#include <string>
#include <string_view>

#include "lookback/day_file_reader.h"

namespace lookback {

inline constexpr std::string_view kExportHeader =
    "time,voltage_V,current_A,power_W,resistance_ohm,energy_Wh,charge_Ah,temperature_C";

// The CSV text of rows placed in time (a day file's, or a span's).
std::string exportCsv(const std::vector<DayRow>& rows);

// The subcommand: arguments after "export". Returns the exit code.
int runExport(const std::vector<std::string>& arguments);

}  // namespace lookback
