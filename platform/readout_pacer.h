#pragma once
// The texts of a window's shown read-outs reach the screen together, at most
// once per kReadoutRefreshMs, and the newest text always within that time: a
// display refreshes no faster than a person reads a number, and each repaint
// of the large read-outs on a real display costs far more than the write.
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

namespace platform {

constexpr int kReadoutRefreshMs = 40;

// Gathers the texts of a window's shown read-outs and puts them on screen
// together, at most once per kReadoutRefreshMs. Lives as a child of the window.
class ReadoutPacer : public QObject {
    Q_OBJECT

public:
    static ReadoutPacer* of(QWidget* window);

    // show runs once, at the next refresh; a key already waiting keeps its
    // place and takes the new show.
    void schedule(const void* key, std::function<void()> show);
    void forget(const void* key);

private:
    explicit ReadoutPacer(QWidget* window);
    void refresh();

    struct Waiting {
        const void* key;
        std::function<void()> show;
    };
    QTimer m_timer;
    std::vector<Waiting> m_waiting;
    qint64 m_lastRefreshMs = -kReadoutRefreshMs;
};

}  // namespace platform
