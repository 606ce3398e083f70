// The program's own texts in the user's language: with the Chinese file
// installed they turn Chinese, with a damaged one or none they stay English,
// and the window's own texts never change.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTranslator>

#include "console/data_recording.h"
#include "console/port_control.h"
#include "console/port_number_hint.h"
#include "console_fixture.h"
#include "platform/translations.h"

using namespace console;
using namespace console::testing;

namespace {

enum class QmFile { Chinese, Truncated, Missing };

struct LanguageCase {
    const char* name;
    QmFile file;
    // Beginnings of the lamp tooltip, the record box tooltip and the port hint.
    const char* lamp;
    const char* recordBox;
    const char* portHint;
};

class TranslatedTexts : public ConsoleFixture, public ::testing::WithParamInterface<LanguageCase> {
protected:
    // Installs what loading the case's file leaves, as the program does at start.
    void install(QmFile kind) {
        // The build puts the .qm files in translations/ beside the programs.
        QFile built(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/translations"))
                        .filePath(QStringLiteral("kzrt-console_zh_CN.qm")));
        ASSERT_TRUE(built.open(QIODevice::ReadOnly));
        const QByteArray good = built.readAll();
        if (kind != QmFile::Missing) {
            QFile copy(QDir(m_folder.path()).filePath(QStringLiteral("kzrt-console_zh_CN.qm")));
            ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
            copy.write(kind == QmFile::Chinese ? good : good.left(good.size() / 3));
        }
        platform::loadTranslation(m_translator, QLocale(QStringLiteral("zh_CN")), {m_folder.path()});
        QCoreApplication::installTranslator(&m_translator);
    }
    ~TranslatedTexts() override { QCoreApplication::removeTranslator(&m_translator); }

private:
    QTemporaryDir m_folder;
    QTranslator m_translator;
};

bool startsWith(const QString& text, const char* start) { return text.startsWith(QString::fromUtf8(start)); }

TEST_P(TranslatedTexts, OurTextsFollowTheFileTheWindowsDoNot) {
    const LanguageCase& c = GetParam();
    install(c.file);
    startWindow();
    const QString lamp = QString::fromStdString(lampTooltip(3, true, "/dev/ttyUSB2", "", {}));
    EXPECT_TRUE(startsWith(lamp, c.lamp)) << lamp.toStdString();
    form().setChecked(kRecordBox, 1);
    onRecordBoxClicked(context());
    EXPECT_TRUE(startsWith(form().toolTip(kRecordBox), c.recordBox)) << form().toolTip(kRecordBox).toStdString();
    const QString hint = portNumberHint({{1, "/dev/ttyUSB0", "/dev/ttyUSB0", {}}});
    EXPECT_TRUE(startsWith(hint, c.portHint)) << hint.toStdString();
    // The button named in the lost-device text is the window's own caption.
    EXPECT_NE(connectionTooltip(1, "/dev/ttyUSB0", {1, false, "gone for good", "12:00:00", ""}).find("打开串口"),
              std::string::npos);

    EXPECT_EQ(form().window()->windowTitle(), QString::fromUtf8(kWindowTitle));
    for (const platform::ControlSpec& spec : controlTable()) {
        QWidget* widget = form().find(spec.unitId)->widget;
        SCOPED_TRACE(spec.name);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            ASSERT_EQ(combo->count(), int(spec.items.size()));
            for (int i = 0; i < combo->count(); ++i) EXPECT_EQ(combo->itemText(i).toStdString(), spec.items[i]);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text().toStdString(), spec.text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text().toStdString(), spec.text);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TranslatedTexts,
    ::testing::Values(LanguageCase{"Chinese", QmFile::Chinese, "COM3 已打开，设备为 /dev/ttyUSB2。", "数据记录文件：",
                                   "当前对应到设备的端口号："},
                      LanguageCase{"DamagedFile", QmFile::Truncated, "COM3 is open on /dev/ttyUSB2.",
                                   "Recording file: ", "Port numbers that lead"},
                      LanguageCase{"NoFile", QmFile::Missing, "COM3 is open on /dev/ttyUSB2.", "Recording file: ",
                                   "Port numbers that lead"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
