#include "platform/readout_edit.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace platform {
namespace {

qint64 monotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

}  // namespace

ReadoutEdit::ReadoutEdit(QWidget* parent) : QLineEdit(parent) {
    // The edit box draws no frame of its own; paintEvent lays the stored one
    // over it, and the text keeps the place a framed box gives it.
    setFrame(false);
    matchFramedTextPlace();
}

void ReadoutEdit::matchFramedTextPlace() {
    const int width = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    setTextMargins(width, width, width, width);
}

void ReadoutEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::StyleChange) {
        matchFramedTextPlace();
        m_frameState = -1;
    }
    QLineEdit::changeEvent(event);
}

const QPixmap& ReadoutEdit::framePicture() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    const qreal ratio = devicePixelRatioF();
    const qint64 key = option.palette.cacheKey() ^ (qint64(width()) << 32) ^ (qint64(height()) << 48) ^
                       qint64(ratio * 16);
    if (m_frameState != int(option.state) || m_frameKey != key || m_frame.isNull()) {
        m_frame = QPixmap(size() * ratio);
        m_frame.setDevicePixelRatio(ratio);
        m_frame.fill(Qt::transparent);
        QPainter painter(&m_frame);
        style()->drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter, this);
        m_frameKey = key;
        m_frameState = int(option.state);
    }
    return m_frame;
}

void ReadoutEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.drawPixmap(0, 0, framePicture());
}

ReadoutPacer* ReadoutPacer::of(QWidget* window) {
    if (auto* pacer = window->findChild<ReadoutPacer*>(QString(), Qt::FindDirectChildrenOnly)) return pacer;
    return new ReadoutPacer(window);
}

ReadoutPacer::ReadoutPacer(QWidget* window) : QObject(window) {
    m_timer.setSingleShot(true);
    // A precise timer: a coarse one may fire up to 5 % late, past the bound.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

void ReadoutPacer::schedule(const void* key, std::function<void()> show) {
    auto it = std::find_if(m_waiting.begin(), m_waiting.end(), [key](const Waiting& w) { return w.key == key; });
    if (it != m_waiting.end()) {
        it->show = std::move(show);
        return;
    }
    m_waiting.push_back({key, std::move(show)});
    if (m_timer.isActive()) return;
    // The first text after a quiet spell shows at once; later ones wait for
    // the refresh after the last.
    const qint64 due = std::max<qint64>(0, m_lastRefreshMs + kReadoutRefreshMs - monotonicMs());
    m_timer.start(int(due));
}

void ReadoutPacer::forget(const void* key) {
    std::erase_if(m_waiting, [key](const Waiting& w) { return w.key == key; });
}

void ReadoutPacer::refresh() {
    m_lastRefreshMs = monotonicMs();
    std::vector<Waiting> waiting;
    waiting.swap(m_waiting);
    for (Waiting& w : waiting) w.show();
}

}  // namespace platform
