// Folders and a program named in scripts GBK cannot spell: the settings file
// and the day file are read and written under the real names, and a folder
// whose name is the GBK-mangled spelling ("j?rg") beside them stays untouched.
#include <type_traits>

#include "meter/recording_row.h"
#include "console/settings_file.h"
#include "console_fixture.h"
#include "runtime/date_time.h"

using namespace console;
using console::testing::ConsoleFixture;
using console::testing::readFile;

namespace {

namespace fs = std::filesystem;

constexpr bool kByteNames = std::is_same_v<fs::path::value_type, char>;

struct NamedFolder {
    fs::path folder;
    fs::path program;       // the executable's name
    fs::path settings;      // the settings file named after it
    const char8_t* shown;   // the folder as the record box's tooltip shows it
    const char* gbkTwin;    // the folder's name once GBK has replaced what it lacks
};

std::vector<NamedFolder> namedFolders() {
    std::vector<NamedFolder> folders = {
        {u8"jörg-한글", u8"kzrt-jörg.exe", u8"kzrt-jörg.ini", u8"j\uFFFDrg-\uFFFD\uFFFD", "j?rg-??"},
    };
    // On Linux a name is bytes, and need not be UTF-8 at all.
    if constexpr (kByteNames) {
        folders.push_back({std::string("caf\xE9-\xFF"), "kzrt-console", "kzrt-console.ini", u8"caf\uFFFD-\uFFFD", "caf?-?"});
    }
    return folders;
}

QString qString(const char8_t* utf8) { return QString::fromUtf8(reinterpret_cast<const char*>(utf8)); }

class NativeNames : public ConsoleFixture {
protected:
    NativeNames() { runtime::SetClockForTesting([this] { return now; }); }
    ~NativeNames() override { runtime::SetClockForTesting({}); }

    void tick() {
        form().raise(kRecordingTimer, platform::kTimerFired);
        settleRecording();
    }

    runtime::DateTime now = runtime::MakeDateTime(2015, 12, 5, 14, 3, 7);
};

TEST_F(NativeNames, SettingsAndDayFilesLiveInFoldersGbkCannotSpell) {
    const meter::ReadoutTexts startUp{"0", "0", "0", "0", "0", "0", "0"};
    for (const NamedFolder& c : namedFolders()) {
        const fs::path folder = dir / c.folder;
        fs::create_directory(folder);
#ifndef _WIN32  // '?' is no file name character on Windows
        const fs::path twin = dir / c.gbkTwin;
        fs::create_directory(twin);
#endif
        fs::current_path(folder);
        runtime::SetModulePath(folder / c.program);

        // First start writes the defaults; a change and a second start read them back.
        startWindow();
        EXPECT_EQ(readFile(folder / c.settings),
                  "[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n") << c.settings;
        form().setComboIndex(kPortNumberCombo, 2);
        savePortSettings(context());
        toggleCurves(context());
        startWindow();
        EXPECT_EQ(form().comboIndex(kPortNumberCombo), 2) << c.settings;
        EXPECT_EQ(form().windowHeight(), kCollapsedHeight) << c.settings;

        form().setChecked(kRecordBox, 1);
        form().raise(kRecordBox, platform::kClicked);
        tick();
        tick();
        EXPECT_EQ(readFile(folder / "KZRT2015125.csv"), meter::recordingHeader() + recordingRowText(now, startUp) + "\r\n")
            << c.settings;
        const QString tip = form().toolTip(kRecordBox);
        EXPECT_TRUE(tip.contains(qString(c.shown) + QDir::separator() + "KZRT2015125.csv")) << tip.toStdString();
#ifndef _WIN32
        EXPECT_TRUE(fs::is_empty(twin)) << twin;
#endif
        window.reset();
        fs::current_path(dir);
    }
}

}  // namespace
