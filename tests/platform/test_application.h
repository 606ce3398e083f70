#pragma once
// The one QApplication of a platform test program.
#include <QApplication>

namespace platform::testing {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "platform_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing the application down during static destruction,
    // after a window was shown, crashes in the platform plugin.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace platform::testing
