#include <io.h>

#include <cstdio>

#include "record/log_line.h"

namespace record {

bool stderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

}  // namespace record
