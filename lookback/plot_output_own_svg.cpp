#include "lookback/plot_output.h"
#include "lookback/svg_paint_device.h"

namespace lookback {

// The build has no Qt SVG: our own SVG paint device draws the same picture.
std::string writeSvg(const std::string& path, int width, int height, const std::function<void(QPainter&)>& draw) {
    return paintSvgFile(QString::fromStdString(path), QSize(width, height), draw);
}

}  // namespace lookback
