#include "app/home_folder.h"

#include <QDir>
#include <QFileInfo>
#include <string_view>

namespace app {

bool wantsHomeFolder(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == kHomeFolderOption) return true;
    }
    return false;
}

bool enterHomeFolder(const QString& home) {
    // An unset HOME must not turn into the root or the current directory.
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) return false;
    const QDir homeDir(home);
    if (!homeDir.exists()) return false;
    const QString folder = homeDir.filePath(QString::fromLatin1(kHomeFolderName));
    if (!QFileInfo(folder).isDir() && !homeDir.mkdir(QString::fromLatin1(kHomeFolderName))) return false;
    return QDir::setCurrent(folder);
}

}  // namespace app
