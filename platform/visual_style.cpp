#include "platform/visual_style.h"

#include <QApplication>
#include <QStyleFactory>
#include <QWidget>

#include "platform/readout_box.h"

namespace platform {

void EnableVisualStyle(int style) {
    const bool themed = style >= 1 && style <= 3;
    if (QStyle* s = QStyleFactory::create(themed ? QStringLiteral("Fusion") : QStringLiteral("Windows"))) {
        QApplication::setStyle(s);
        // Read-out boxes paint through a style of their own, built on the
        // application's; they take the new one too.
        for (QWidget* window : QApplication::topLevelWidgets()) ReadoutBox::followApplicationStyle(window);
    }
}

}  // namespace platform
