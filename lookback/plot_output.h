#pragma once
// SVG output of a plot: Qt SVG where the build has it, else our own paint device.
#include <QPainter>
#include <functional>
#include <string>

namespace lookback {

// Empty on success, else why the file was not written.
std::string writeSvg(const std::string& path, int width, int height, const std::function<void(QPainter&)>& draw);

}  // namespace lookback
