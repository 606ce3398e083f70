#pragma once
// The texts this program adds to its window (tooltips, hints) and the
// simulator's messages are written in English and translated through Qt's
// translation files: kzrt-console_<language>.qm, one per language, built from
// the .ts sources in translations/.
#include <QLocale>
#include <QString>
#include <QStringList>

class QTranslator;

namespace platform {

// The language file a locale picks: Simplified Chinese for every Chinese
// locale, English for all others.
QString translationLanguage(const QLocale& locale);

// Where the .qm files may be, in the order they are tried: beside the program
// (a build tree or an unpacked portable copy), then the installed data folder
// relative to the program's bin folder.
QStringList translationFolders(const QString& programDirectory);

// Loads the locale's file from the first folder that holds a valid one. A
// missing or damaged file loads nothing and returns false: the English texts
// then show, which is what the program's own sources say.
bool loadTranslation(QTranslator& translator, const QLocale& locale, const QStringList& folders);

// For a program with a Q(Core)Application: loads the system locale's file
// and installs it. Returns whether a file was loaded.
bool installTranslation(QTranslator& translator);

}  // namespace platform
