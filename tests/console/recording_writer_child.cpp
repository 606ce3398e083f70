// Records rows into a day's file as fast as it can, through the same step the
// recording tick uses, and acknowledges each row on stdout ("<n>\n") once the
// step has returned, after a first line "start" once it is running. The kill
// test kills it at random moments after that line.
//   recording_writer_child <day file> <first sequence number>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "console/recording_file.h"
#include "tests/console/recording_kill_rows.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const runtime::Text path = argv[1];
    if (write(STDOUT_FILENO, "start\n", 6) != 6) return 4;
    for (std::int64_t sequence = std::atoll(argv[2]);; ++sequence) {
        if (console::recordRow(path, console::testing::killTestRow(sequence)) != console::RecordingStep::RowInserted) {
            return 3;
        }
        const std::string ack = std::to_string(sequence) + "\n";
        if (write(STDOUT_FILENO, ack.data(), ack.size()) != static_cast<ssize_t>(ack.size())) return 4;
    }
}
