#include <QByteArray>
#include <QtGlobal>

#include "record/plot_platform.h"

namespace record {

// A server or a Raspberry Pi has no display: draw offscreen, always.
void choosePlotPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

}  // namespace record
