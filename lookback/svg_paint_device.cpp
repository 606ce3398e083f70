#include "lookback/svg_paint_device.h"

#include <QFile>
#include <QPaintEngine>
#include <QPainterPath>
#include <QSaveFile>
#include <cmath>

namespace lookback {
namespace {

// Logical pixels at 96 dpi, as on a screen, so text keeps its plot size.
constexpr int kDotsPerInch = 96;

QString number(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// `fill="#rrggbb"` plus an opacity below 1, or "none".
QString paint(const char* attribute, const QBrush& brush) {
    if (brush.style() == Qt::NoBrush) return QStringLiteral(" %1=\"none\"").arg(QLatin1String(attribute));
    const QColor colour = brush.color();
    QString text = QStringLiteral(" %1=\"%2\"").arg(QLatin1String(attribute), colour.name(QColor::HexRgb));
    if (colour.alpha() < 255) text += QStringLiteral(" %1-opacity=\"%2\"").arg(QLatin1String(attribute), number(colour.alphaF()));
    return text;
}

QString pathData(const QPainterPath& path) {
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        switch (element.type) {
        case QPainterPath::MoveToElement: data += QLatin1Char('M'); break;
        case QPainterPath::LineToElement: data += QLatin1Char('L'); break;
        case QPainterPath::CurveToElement: data += QLatin1Char('C'); break;
        case QPainterPath::CurveToDataElement: data += QLatin1Char(' '); break;
        }
        data += number(element.x) + QLatin1Char(' ') + number(element.y);
    }
    return data;
}

}  // namespace

class SvgPaintEngine final : public QPaintEngine {
public:
    SvgPaintEngine(QString path, QSize size)
        : QPaintEngine(PrimitiveTransform | PatternTransform | PainterPaths | AlphaBlend | Antialiasing),
          m_path(std::move(path)),
          m_size(size) {}

    bool begin(QPaintDevice*) override {
        m_body.clear();
        m_written = false;
        return true;
    }
    bool end() override { return m_written = writeFile(); }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyPen) m_pen = state.pen();
        if (state.state() & DirtyBrush) m_brush = state.brush();
        if (state.state() & DirtyTransform) m_transform = state.transform();
    }
    void drawPath(const QPainterPath& path) override { emitPath(path, m_brush, path.fillRule()); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QPainterPath path;
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i) path.lineTo(points[i]);
        if (mode != PolylineMode) path.closeSubpath();
        emitPath(path, mode == PolylineMode ? QBrush() : m_brush,
                 mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    bool written() const { return m_written; }

private:
    // Coordinates go out already transformed, so a stroke's width scales
    // with the transform as the painter would draw it.
    void emitPath(const QPainterPath& path, const QBrush& brush, Qt::FillRule rule) {
        const QString data = pathData(m_transform.map(path));
        if (data.isEmpty()) return;
        QString element = QStringLiteral("<path d=\"%1\"").arg(data) + paint("fill", brush);
        if (brush.style() != Qt::NoBrush && rule == Qt::OddEvenFill) element += QStringLiteral(" fill-rule=\"evenodd\"");
        if (m_pen.style() == Qt::NoPen) {
            element += QStringLiteral(" stroke=\"none\"");
        } else {
            const double scale = std::sqrt(std::abs(m_transform.determinant()));
            const double width = m_pen.isCosmetic() ? std::max(1.0, m_pen.widthF()) : m_pen.widthF() * scale;
            element += paint("stroke", m_pen.brush()) + QStringLiteral(" stroke-width=\"%1\"").arg(number(width));
            if (m_pen.capStyle() == Qt::FlatCap) element += QStringLiteral(" stroke-linecap=\"butt\"");
            if (m_pen.capStyle() == Qt::RoundCap) element += QStringLiteral(" stroke-linecap=\"round\"");
            if (m_pen.capStyle() == Qt::SquareCap) element += QStringLiteral(" stroke-linecap=\"square\"");
            if (m_pen.joinStyle() == Qt::RoundJoin) element += QStringLiteral(" stroke-linejoin=\"round\"");
            if (m_pen.joinStyle() == Qt::BevelJoin) element += QStringLiteral(" stroke-linejoin=\"bevel\"");
        }
        m_body += element + QStringLiteral("/>\n");
    }

    bool writeFile() const {
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly)) return false;
        const QString width = QString::number(m_size.width()), height = QString::number(m_size.height());
        const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%1\" "
                                            "height=\"%2\" viewBox=\"0 0 %1 %2\">\n<title>kzrt-record plot</title>\n")
                                 .arg(width, height) +
                             m_body + QStringLiteral("</svg>\n");
        file.write(text.toUtf8());
        return file.commit();
    }

    QString m_path;
    QSize m_size;
    QString m_body;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    bool m_written = false;
};

SvgPaintDevice::SvgPaintDevice(QString path, QSize size)
    : m_size(size), m_engine(std::make_unique<SvgPaintEngine>(std::move(path), size)) {}

SvgPaintDevice::~SvgPaintDevice() = default;

QPaintEngine* SvgPaintDevice::paintEngine() const { return m_engine.get(); }

bool SvgPaintDevice::written() const { return m_engine->written(); }

int SvgPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth: return m_size.width();
    case PdmHeight: return m_size.height();
    case PdmWidthMM: return qRound(m_size.width() * 25.4 / kDotsPerInch);
    case PdmHeightMM: return qRound(m_size.height() * 25.4 / kDotsPerInch);
    case PdmNumColors: return 0xFFFFFF;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return kDotsPerInch;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

std::string paintSvgFile(const QString& path, QSize size, const std::function<void(QPainter&)>& draw) {
    SvgPaintDevice device(path, size);
    QPainter painter;
    if (!painter.begin(&device)) return "cannot write the SVG file";
    draw(painter);
    painter.end();
    return device.written() ? std::string{} : "cannot write the SVG file";
}

}  // namespace lookback
