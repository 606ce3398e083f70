#pragma once
// SVG output of a plot, where the build has Qt SVG.
#include <QPainter>
#include <functional>
#include <string>

namespace lookback {

// Empty on success, else why the file was not written.
std::string writeSvg(const std::string& path, int width, int height, const std::function<void(QPainter&)>& draw);

}  // namespace lookback
