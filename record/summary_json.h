#pragma once
// The summaries as JSON (--summary FILE) and as log lines on stdout.
#include <QByteArray>
#include <string>
#include <vector>

#include "record/run_summary.h"

namespace record {

QByteArray summaryJson(const std::vector<RunSummary>& summaries);
std::string summaryLine(const RunSummary& summary);

}  // namespace record
