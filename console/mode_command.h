#pragma once
#include "console/console.h"

namespace console {

// Click on "TXT<=>HEX": sends the meter the command that switches its output form.
void onModeButton(Console& console);

}  // namespace console
