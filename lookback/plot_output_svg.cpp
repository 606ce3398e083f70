#include <QSvgGenerator>

#include "lookback/plot_output.h"

namespace lookback {

std::string writeSvg(const std::string& path, int width, int height, const std::function<void(QPainter&)>& draw) {
    QSvgGenerator generator;
    generator.setFileName(QString::fromStdString(path));
    generator.setSize(QSize(width, height));
    generator.setViewBox(QRect(0, 0, width, height));
    generator.setTitle(QStringLiteral("kzrt-record plot"));
    QPainter painter;
    if (!painter.begin(&generator)) return "cannot write the SVG file";
    draw(painter);
    return painter.end() ? std::string{} : "cannot write the SVG file";
}

}  // namespace lookback
