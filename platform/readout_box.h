#pragma once
// A read-only edit box for read-outs that the program rewrites many times a
// second. It looks exactly like any other edit box; what differs is how a new
// text reaches the screen: only the inside of the box, where the text lies,
// is repainted, and the box's frame and whatever lies beneath its edges (a
// neighbouring label, the window) are left as they were.
#include <QLineEdit>
#include <QPointer>

namespace platform {

class ReadoutStyle;

class ReadoutBox : public QLineEdit {
public:
    explicit ReadoutBox(QWidget* parent);
    ~ReadoutBox() override;

    // Shows text; an unchanged text costs no repaint at all.
    void showText(const QString& text);
    // Where a new text is repainted alone: the line of text across the box,
    // when the style draws nothing there but the base colour; else empty.
    QRect textArea() const;
    // Paints from here on with the application's present style (which may
    // have changed since the box was made).
    void followApplicationStyle();
    // Every read-out box under root follows the application's style.
    static void followApplicationStyle(QWidget* root);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the edit box draws its text.
    QRect textClip() const;
    QRect lineBand() const;
    bool panelPlainIn(const QRect& area) const;

    // What the text area was worked out for.
    struct PanelKey {
        QSize size;
        int lineHeight = -1;
        bool focused = false;
        const QStyle* style = nullptr;
        QRgb base = 0;
        bool operator==(const PanelKey&) const = default;
    };
    QPointer<ReadoutStyle> m_style;
    mutable PanelKey m_panelKey;
    mutable QRect m_textArea;
};

// A label partly beneath a read-out would be repainted with every new text of
// the read-out, although the read-out's text area hides that part entirely.
// Each label under parent gets a mask that leaves out the text areas of the
// shown read-outs stacked above it; what the window shows stays the same.
void keepLabelsOutOfReadoutTexts(QWidget* parent);

}  // namespace platform
