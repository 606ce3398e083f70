#include "platform/error_box.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt_text.h"
#include "runtime/runtime_errors.h"

namespace platform {

void installRuntimeErrorBox() {
    runtime::SetRuntimeErrorPresenter([](const runtime::Text& report) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
        QMessageBox::critical(nullptr, QString(), toQString(report));
    });
}

}  // namespace platform
