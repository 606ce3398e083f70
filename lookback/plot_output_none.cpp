#include "lookback/plot_output.h"

namespace lookback {

std::string writeSvg(const std::string&, int, int, const std::function<void(QPainter&)>&) {
    return "this build has no SVG output (Qt SVG was missing); write a .png instead";
}

}  // namespace lookback
