#pragma once
// Meter names as they appear in MQTT topics, Home Assistant object ids and
// metric labels.
#include <string>
#include <string_view>

namespace publish {

// Letters, digits, "_" and "-" pass; every other run of bytes (a path's "/",
// MQTT's wildcards "+" and "#", blanks, non-ASCII) becomes one "_". Leading
// and trailing "_" go, so "/dev/ttyUSB0" reads "dev_ttyUSB0". A name with
// nothing left is "meter".
std::string topicSafeName(std::string_view name);

}  // namespace publish
