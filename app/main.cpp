// kzrt-console: the desktop console of the 5-digit voltage, current and power meter.
#include <QApplication>
#include <QTranslator>
#include <cfenv>
#include <cstdio>
#include <cstdlib>

#include "app/home_folder.h"
#include "console/main_window.h"
#include "platform/error_box.h"
#include "platform/fonts.h"
#include "platform/translations.h"
#include "runtime/program_paths.h"

namespace {

// Without a display Qt aborts with a message about platform plugins that
// tells a newcomer nothing; say what is missing and how to run anyway.
bool displayAvailable() {
#if defined(__linux__)
    if (std::getenv("QT_QPA_PLATFORM") != nullptr) return true;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fputs("kzrt-console needs a graphical display, and none is set (DISPLAY and WAYLAND_DISPLAY are empty): "
                   "run it from a desktop session, or under a virtual display with "
                   "`xvfb-run -a ./build/kzrt-console`.\n",
                   stderr);
        return 1;
    }
    // Before anything reads the working directory: the settings file lives there.
    if (app::wantsHomeFolder(argc, argv) && app::enterHomeFolder(runtime::HomeDirectory())) {
        runtime::KeepRecordingsInWorkingDirectory(true);
    }
    // Conversions that must truncate do so explicitly; everything else rounds to nearest.
    std::fesetround(FE_TONEAREST);
    runtime::SetModulePath(runtime::DetectModulePath());

    QApplication app(argc, argv);
    // Our own tooltips and hints in the user's language; without a usable
    // translation file they stay English. The window's own texts never change.
    QTranslator translator;
    platform::installTranslation(translator);
    platform::installFontSubstitutions();
    platform::installRuntimeErrorBox();

    console::MainWindow window;
    window.start();  // the created event runs before the user can act
    window.show();
    return app.exec();
}
