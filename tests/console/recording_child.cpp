// The other process of the recording's kill and reader tests: a recorder that
// starts as the program does (folding in what a killed recorder left), then
// records numbered rows into one day's file, one per tick, with no pause.
//   console_recording_child DAY_FILE TICKS
// TICKS 0 records until it is killed. "<DAY_FILE>.started" appears once the
// first row is in.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/day_file_session.h"
#include "tests/console/numbered_rows.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string utf8 = argv[1];
    const std::filesystem::path dayFile(std::u8string(utf8.begin(), utf8.end()));
    const long ticks = std::atol(argv[2]);
    const auto files = storage::NativeFileSystem();
    storage::recoverDirectory(*files, dayFile.parent_path());
    const std::optional<std::string> content = files->read(dayFile);
    long number = content ? console::testing::newestRow(*content) : 0;
    storage::DayFileSession session(*files, dayFile);
    for (long tick = 0; ticks == 0 || tick < ticks; ++tick) {
        if (session.record({console::testing::numberedRow(++number)}) != storage::RecordingStep::RowInserted) return 1;
        if (tick == 0) {
            std::filesystem::path started = dayFile;
            started += ".started";
            std::ofstream{started} << 1;
        }
    }
    return session.finish() ? 0 : 1;
}
