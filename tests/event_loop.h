#pragma once
// Runs the test thread's Qt event loop, in the GUI thread's place, until a
// condition holds: by the clock, not by rounds, since under wine or on a busy
// machine the first expose or delivery takes longer.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace kzrt::testing {

// Whether `done` held within `ms` milliseconds.
inline bool spinUntil(const std::function<bool()>& done, qint64 ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(500);  // leaves the core to the threads and programs under test
    }
    return done();
}

inline void spinFor(qint64 ms) { spinUntil([] { return false; }, ms); }

}  // namespace kzrt::testing
