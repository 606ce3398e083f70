#include <unistd.h>

#include "record/log_line.h"

namespace record {

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace record
