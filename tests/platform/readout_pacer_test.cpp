#include "platform/readout_pacer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "tests/event_loop.h"
#include "tests/test_application.h"

#include <algorithm>
#include <cstdlib>

using namespace platform;

namespace {

using kzrt::testing::application;

// Texts reach the screen together, never more often than the refresh allows
// and never later than one refresh after they were written.
TEST(ReadoutPacer, ShowsTheNewestTextWithinOneRefresh) {
    application();
    QWidget window;
    ReadoutPacer* pacer = ReadoutPacer::of(&window);
    EXPECT_EQ(ReadoutPacer::of(&window), pacer);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> shownAt;
    int latestWritten = 0, latestShown = 0;
    qint64 worstDelay = 0, writtenAt = 0;
    while (clock.elapsed() < 600) {
        // A writer every 5 ms; each refresh shows the newest value only.
        latestWritten++;
        writtenAt = clock.elapsed();
        pacer->schedule(&window, [&, value = latestWritten, at = writtenAt] {
            shownAt.push_back(clock.elapsed());
            latestShown = value;
            worstDelay = std::max(worstDelay, clock.elapsed() - at);
        });
        const qint64 until = clock.elapsed() + 5;
        while (clock.elapsed() < until) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    ASSERT_GE(shownAt.size(), 5u);
    for (std::size_t i = 1; i < shownAt.size(); ++i) EXPECT_GE(shownAt[i] - shownAt[i - 1], kReadoutRefreshMs - 1);
    EXPECT_LE(shownAt.size(), 600u / kReadoutRefreshMs + 1);
    // A refresh shows what was written last before it, not an older value.
    EXPECT_GE(latestShown, latestWritten - 1 - kReadoutRefreshMs / 5);
    // Generous for a loaded machine: the bound itself is one refresh.
    EXPECT_LE(worstDelay, kReadoutRefreshMs + 25);
}

TEST(ReadoutPacer, AForgottenKeyIsNeverShown) {
    application();
    QWidget window;
    ReadoutPacer* pacer = ReadoutPacer::of(&window);
    int shown = 0;
    int key = 0;
    pacer->schedule(&key, [&] { ++shown; });
    pacer->forget(&key);
    kzrt::testing::spinFor(3 * kReadoutRefreshMs);
    EXPECT_EQ(shown, 0);
}

}  // namespace
