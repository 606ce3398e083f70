#pragma once
// The rows of the file kill tests: fixed width, numbered, newest first.
#include <cstdio>
#include <string>

namespace runtime::testing {

constexpr std::size_t kNumberedRowBytes = 13;

inline std::string NumberedRow(long number)
{
    char row[32];
    std::snprintf(row, sizeof row, "row %07ld\r\n", number);
    return row;
}

}  // namespace runtime::testing
