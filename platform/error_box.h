#pragma once

namespace platform {

// Runtime errors show their report in a message box before the program ends.
void installRuntimeErrorBox();

}  // namespace platform
