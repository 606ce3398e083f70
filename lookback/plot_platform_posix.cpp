#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "lookback/plot_platform.h"

namespace lookback {
namespace {

QtMessageHandler g_nextHandler = nullptr;

// A headless machine often has no session runtime folder, and the plot writes
// nothing there: Qt's note that XDG_RUNTIME_DIR is not set says nothing to the
// user. Every other message goes on as before.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    g_nextHandler(type, context, message);
}

}  // namespace

// A server or a Raspberry Pi has no display: draw offscreen, always.
void choosePlotPlatform() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_nextHandler = qInstallMessageHandler(quietHandler);
}

}  // namespace lookback
