#pragma once
// A paint device that writes what a QPainter draws as an SVG file, for the
// builds without Qt SVG (Windows: its source is not to be had where the
// Windows Qt is built). It covers what a plot draws: filled and stroked paths,
// lines, rectangles and polygons, in solid colours. Text arrives as its
// glyphs' outlines (QPaintEngine's own fallback), so a viewer without the
// plot's fonts shows the same letters. Images are left out.
#include <QPaintDevice>
#include <QPainter>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace lookback {

class SvgPaintEngine;

class SvgPaintDevice final : public QPaintDevice {
public:
    SvgPaintDevice(QString path, QSize size);
    ~SvgPaintDevice() override;
    QPaintEngine* paintEngine() const override;
    // After QPainter::end(): whether the file was written.
    bool written() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    std::unique_ptr<SvgPaintEngine> m_engine;
};

// Paints `draw` into the SVG file at `path`: empty on success, else why not.
std::string paintSvgFile(const QString& path, QSize size, const std::function<void(QPainter&)>& draw);

}  // namespace lookback
