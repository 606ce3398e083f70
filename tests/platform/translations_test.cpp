#include "platform/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace platform;

namespace {

const QString kBuiltFolder = QStringLiteral(KZRT_QM_DIR);
const QString kZhFile = QStringLiteral("kzrt-console_zh_CN.qm");

QByteArray builtChinese() {
    QFile file(QDir(kBuiltFolder).filePath(kZhFile));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
}

struct LanguageCase {
    const char* locale;
    const char* language;
};

class LanguageTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageTest, ChineseUnderEveryChineseLocaleEnglishOtherwise) {
    EXPECT_EQ(translationLanguage(QLocale(QString::fromLatin1(GetParam().locale))),
              QString::fromLatin1(GetParam().language));
}

INSTANTIATE_TEST_SUITE_P(Locales, LanguageTest,
                         ::testing::Values(LanguageCase{"zh_CN", "zh_CN"}, LanguageCase{"zh_TW", "zh_CN"},
                                           LanguageCase{"de_DE", "en"}, LanguageCase{"C", "en"}));

TEST(TranslationFolders, BesideTheProgramThenTheInstalledDataFolder) {
    EXPECT_EQ(translationFolders(QStringLiteral("/opt/kz/bin")),
              (QStringList{QStringLiteral("/opt/kz/bin/translations"),
                           QStringLiteral("/opt/kz/share/kzrt-console/translations")}));
    EXPECT_EQ(translationFolders(QStringLiteral("/usr/bin")).last(),
              QStringLiteral("/usr/share/kzrt-console/translations"));
}

// What lies in the first folder searched; the second always holds nothing
// unless the case says it holds the good file.
struct FileCase {
    const char* name;
    std::function<QByteArray()> firstFolderFile;  // null: no file at all
    bool goodFileInSecondFolder;
    const char* expected;  // the translation of "unknown error" in the lamp's context
};

class LoadTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(LoadTest, AMissingOrDamagedFileLeavesTheEnglishTexts) {
    const FileCase& c = GetParam();
    ASSERT_FALSE(builtChinese().isEmpty()) << "build the translations first";
    QTemporaryDir first, second;
    if (c.firstFolderFile) {
        QFile file(QDir(first.path()).filePath(kZhFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.firstFolderFile());
    }
    if (c.goodFileInSecondFolder) {
        ASSERT_TRUE(QFile::copy(QDir(kBuiltFolder).filePath(kZhFile), QDir(second.path()).filePath(kZhFile)));
    }
    QTranslator translator;
    const bool loaded = loadTranslation(translator, QLocale(QStringLiteral("zh_CN")), {first.path(), second.path()});
    const QString text = translator.translate("PortLamp", "unknown error");
    EXPECT_EQ(text.isEmpty() ? QStringLiteral("unknown error") : text, QString::fromUtf8(c.expected));
    EXPECT_EQ(loaded, std::string(c.expected) != "unknown error");
}

QByteArray half() { return builtChinese().left(builtChinese().size() / 2); }
QByteArray magicOnly() { return builtChinese().left(16); }
QByteArray garbageAfterMagic() { return magicOnly() + QByteArray(4000, '\xA5'); }
QByteArray textFile() { return QByteArrayLiteral("<TS version=\"2.1\"></TS>\n"); }

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(FileCase{"Good", builtChinese, false, "未知错误"},
                      FileCase{"Missing", nullptr, false, "unknown error"},
                      FileCase{"Truncated", half, false, "unknown error"},
                      FileCase{"MagicOnly", magicOnly, false, "unknown error"},
                      FileCase{"GarbageAfterMagic", garbageAfterMagic, false, "unknown error"},
                      FileCase{"SourceInsteadOfCompiled", textFile, false, "unknown error"},
                      FileCase{"DamagedFirstGoodSecond", half, true, "未知错误"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
