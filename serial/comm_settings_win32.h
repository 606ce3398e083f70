#pragma once
// The Win32 side of the stored settings: the device control block they make,
// and the system's own words for an error.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "serial/port_error.h"
#include "serial/port_settings.h"

namespace serial::win32 {

// The system's message for an error code, as UTF-8.
std::string systemMessage(DWORD error);
PortError osError(DWORD error);
// Byte size, parity, stop bits, the line rules and flow control, in the
// order the unit applies them (flow control overrides the line rules).
void applySettings(DCB& dcb, const PortSettings& s);

}  // namespace serial::win32
