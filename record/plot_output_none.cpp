#include "record/plot_output.h"

namespace record {

std::string writeSvg(const std::string&, int, int, const std::function<void(QPainter&)>&) {
    return "this build has no SVG output (Qt SVG was missing); write a .png instead";
}

}  // namespace record
