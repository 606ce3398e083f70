#pragma once
// kzrt-record's command line for recording: [options] [NAME=]PORT ...,
// with --config FILE read first and the flags laid over it.
#include <QStringList>
#include <optional>
#include <string>

#include "record/record_options.h"

namespace record {

struct CommandLine {
    std::optional<RecordOptions> options;  // empty: exit with exitCode
    int exitCode = 0;                      // 0 after --help or --version, 2 for bad arguments
    std::string message;                   // what to print (stdout for 0, stderr for 2)
};

CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace record
