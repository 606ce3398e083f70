#pragma once
// Why an Open failed: a small set of kinds plus the operating system's own
// message, which the console shows as it is (for example "Permission denied").
#include <string>

namespace serial {

enum class PortErrorKind {
    None,
    NoPortNumber,     // PortNumber below 1
    NotFound,         // no device for the port number
    NotATerminal,     // the name leads to a regular file, a folder ...
    AccessDenied,     // permissions
    Busy,             // another program holds the port
    SettingsRefused,  // the driver did not accept the configuration
    DeviceError,      // any other failure of the device or the system
};

struct PortError {
    PortErrorKind kind = PortErrorKind::None;
    std::string message;
    explicit operator bool() const { return kind != PortErrorKind::None; }
};

}  // namespace serial
