#pragma once
// A read-out: a read-only edit box whose text is rewritten many times a
// second. Two things keep it light on a real display:
//  - its texts reach the screen at most kReadoutRefreshMs apart, all shown
//    read-outs of a window together, and the newest text always within that
//    time (a display refreshes no faster than a person reads a number);
//  - its frame, which the style draws with antialiased curves, is drawn once
//    per size, palette and state and then copied, while the text is drawn as
//    a plain edit box draws it.
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace platform {

constexpr int kReadoutRefreshMs = 40;

class ReadoutEdit : public QLineEdit {
public:
    explicit ReadoutEdit(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void matchFramedTextPlace();
    const QPixmap& framePicture();

    QPixmap m_frame;
    qint64 m_frameKey = 0;
    int m_frameState = -1;
};

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
