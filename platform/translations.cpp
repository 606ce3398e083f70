#include "platform/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace platform {
namespace {

constexpr const char* kFilePrefix = "kzrt-console_";

}  // namespace

QString translationLanguage(const QLocale& locale) {
    return locale.language() == QLocale::Chinese ? QStringLiteral("zh_CN") : QStringLiteral("en");
}

QStringList translationFolders(const QString& programDirectory) {
    const QDir program(programDirectory);
    return {program.filePath(QStringLiteral("translations")),
            QDir::cleanPath(program.filePath(QStringLiteral("../share/kzrt-console/translations")))};
}

bool loadTranslation(QTranslator& translator, const QLocale& locale, const QStringList& folders) {
    const QString file = QLatin1String(kFilePrefix) + translationLanguage(locale) + QStringLiteral(".qm");
    for (const QString& folder : folders) {
        // QTranslator::load checks the file's magic number and structure and
        // refuses a truncated or foreign file; a file that is whole but holds
        // no texts translates nothing, so the next folder may do better.
        if (translator.load(QDir(folder).filePath(file)) && !translator.isEmpty()) return true;
    }
    return false;
}

bool installTranslation(QTranslator& translator) {
    // The language of messages (LANGUAGE, LC_MESSAGES ...), which may differ
    // from the one numbers are written in.
    const QStringList languages = QLocale::system().uiLanguages();
    const QLocale locale = languages.isEmpty() ? QLocale::system() : QLocale(languages.first());
    if (!loadTranslation(translator, locale, translationFolders(QCoreApplication::applicationDirPath()))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace platform
