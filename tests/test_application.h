#pragma once
// The one QApplication of a test program: made on first use and never
// destroyed (tearing it down during static destruction, after a window was
// shown, crashes in the platform plugin).
#include <QApplication>
#include <cstring>

namespace kzrt::testing {

// `platform` names the platform plugin, over QT_QPA_PLATFORM; only the first
// call's counts.
inline QApplication& application(const char* platform = nullptr) {
    static char name[] = "kzrt_test";
    static char option[] = "-platform";
    static char plugin[32] = {};
    static char* argv[] = {name, option, plugin, nullptr};
    static int argc = 1;
    static QApplication* instance = [platform] {
        if (platform) {
            std::strncpy(plugin, platform, sizeof plugin - 1);
            argc = 3;
        }
        return new QApplication(argc, argv);
    }();
    return *instance;
}

}  // namespace kzrt::testing
