#include "platform/visual_style.h"

#include <QApplication>
#include <QStyleFactory>

namespace platform {

void EnableVisualStyle(int style) {
    const bool themed = style >= 1 && style <= 3;
    if (QStyle* s = QStyleFactory::create(themed ? QStringLiteral("Fusion") : QStringLiteral("Windows"))) {
        QApplication::setStyle(s);
    }
}

}  // namespace platform
