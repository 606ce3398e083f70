#pragma once
// Port number -> device name. On Windows "\\.\COMn". On POSIX the first of:
// the file COMn in the current directory (a link to any terminal device, for
// example the meter simulator's pseudo-terminal or a /dev/serial/by-id path),
// /dev/ttyUSB{n-1}, /dev/ttyACM{n-1}, /dev/ttyS{n-1}.
#include <string>
#include <vector>

namespace serial {

// The names a port number may stand for, in the order they are tried; the
// system's device names lie in `devFolder` (tests point it at a made-up tree).
std::vector<std::string> candidateDevices(int portNumber, const std::string& devFolder = "/dev");
// The first candidate that exists, or "" when none does (or portNumber < 1).
std::string resolveDevice(int portNumber, const std::string& devFolder = "/dev");

}  // namespace serial
