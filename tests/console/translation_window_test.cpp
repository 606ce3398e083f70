// The program's own texts in the user's language: with the Chinese file
// installed they turn Chinese, and the window's own texts never change. A
// damaged or missing file is the loader's case (platform_translations_test).
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTranslator>

#include "console/data_recording.h"
#include "console/port_control.h"
#include "console/port_number_hint.h"
#include "console_fixture.h"
#include "platform/translations.h"

using namespace console;
using namespace console::testing;

namespace {

class TranslatedTexts : public ConsoleFixture {
protected:
    TranslatedTexts() {
        // The build puts the .qm files in translations/ beside the programs.
        const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
        m_loaded = platform::loadTranslation(m_translator, QLocale(QStringLiteral("zh_CN")), {built});
        QCoreApplication::installTranslator(&m_translator);
    }
    ~TranslatedTexts() override { QCoreApplication::removeTranslator(&m_translator); }

    bool m_loaded = false;

private:
    QTranslator m_translator;
};

bool startsWith(const QString& text, const char* start) { return text.startsWith(QString::fromUtf8(start)); }

TEST_F(TranslatedTexts, OurTextsFollowTheFileTheWindowsDoNot) {
    ASSERT_TRUE(m_loaded) << "build the translations first";
    startWindow();
    const QString lamp = QString::fromStdString(lampTooltip(3, true, "/dev/ttyUSB2", "", {}));
    EXPECT_TRUE(startsWith(lamp, "COM3 已打开，设备为 /dev/ttyUSB2。")) << lamp.toStdString();
    form().setChecked(kRecordBox, 1);
    onRecordBoxClicked(context());
    EXPECT_TRUE(startsWith(form().toolTip(kRecordBox), "数据记录文件：")) << form().toolTip(kRecordBox).toStdString();
    const QString hint = portNumberHint({{1, "/dev/ttyUSB0", "/dev/ttyUSB0", {}}});
    EXPECT_TRUE(startsWith(hint, "当前对应到设备的端口号：")) << hint.toStdString();
    // The button named in the lost-device text is the window's own caption.
    EXPECT_NE(connectionTooltip(1, "/dev/ttyUSB0", {1, false, "gone for good", "12:00:00", "", ""}).find("打开串口"),
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

}  // namespace
