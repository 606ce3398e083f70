#include "platform/readout_pacer.h"

#include <QElapsedTimer>
#include <QWidget>
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
