#include "console/settings_file.h"

#include "console_fixture.h"
#include "runtime/program_paths.h"

using namespace console;
using console::testing::ConsoleFixture;
using console::testing::readFile;
using console::testing::writeFile;

namespace {

class SettingsFileTest : public ConsoleFixture {};

TEST_F(SettingsFileTest, FirstStartWritesTheDefaultsAndKeepsTheDesignValues) {
    startWindow();
    EXPECT_EQ(readFile(settingsPath()), "[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n");
    EXPECT_EQ(form().windowHeight(), kExpandedHeight);
    EXPECT_EQ(form().comboText(kPortNumberCombo), "1");
    EXPECT_EQ(form().comboText(kBaudCombo), "2400");
    EXPECT_EQ(form().comboText(kParityCombo), runtime::Gbk("偶校验"));
    EXPECT_EQ(form().text(kRecordingSeconds), "1");
    for (std::uint32_t id : {kVoltageReadout, kCurrentReadout, kPowerReadout, kResistanceReadout,
                             kEnergyReadout, kChargeReadout, kTemperatureReadout}) {
        EXPECT_EQ(form().text(id), "0");
    }
}

struct LoadCase {
    const char* name;
    const char* file;
    int portIndex;
    const char* baud;
    int parityIndex;
    const char* seconds;
    int height;
};

class SettingsLoadTest : public SettingsFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoadTest, LoadsIntoTheControls) {
    const LoadCase& c = GetParam();
    writeFile(settingsPath(), c.file);
    startWindow();
    EXPECT_EQ(form().comboIndex(kPortNumberCombo), c.portIndex);
    EXPECT_EQ(form().comboText(kBaudCombo), c.baud);
    EXPECT_EQ(form().comboIndex(kParityCombo), c.parityIndex);
    EXPECT_EQ(form().text(kRecordingSeconds), c.seconds);
    EXPECT_EQ(form().windowHeight(), c.height);
    // Loading an existing file never rewrites it.
    EXPECT_EQ(readFile(settingsPath()), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLoadTest,
    ::testing::Values(
        LoadCase{"AllKeys", "[KZRT]\r\nPort=3\r\nBaud=9600\r\nParity=Odd\r\nSecond=5\r\nGraph=1\r\n", 2, "9600", 1, "5", 622},
        LoadCase{"LowerCaseParityKeepsDesign", "[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=even\r\nSecond=1\r\nGraph=1\r\n", 0, "2400", 2, "1", 622},
        LoadCase{"SpaceParity", "[kzrt]\r\nparity=Space\r\nGraph=1\r\n", -1, "", 4, "", 622},
        LoadCase{"FractionalPort", "[KZRT]\r\nPort=3.7\r\nGraph=0\r\n", 2, "", 2, "", 355},
        LoadCase{"NonNumericPort", "[KZRT]\r\nPort=abc\r\nBaud=115200\r\n", -1, "115200", 2, "", 355},
        LoadCase{"PortBeyondList", "[KZRT]\r\nPort=21\r\nBaud=1200\r\nGraph=x\r\n", -1, "1200", 2, "", 355},
        LoadCase{"MissingKeys", "[KZRT]\r\n", -1, "", 2, "", 355},
        LoadCase{"GraphZero", "[KZRT]\r\nPort=2\r\nGraph=0\r\n", 1, "", 2, "", 355}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, RightButtonTogglesFromAnyHeight) {
    writeFile(settingsPath(), "[KZRT]\r\nGraph=0\r\n");
    startWindow();
    EXPECT_EQ(form().windowHeight(), kCollapsedHeight);
    toggleCurves(context());
    EXPECT_EQ(form().windowHeight(), kExpandedHeight);
    EXPECT_EQ(readFile(settingsPath()), "[KZRT]\r\nGraph=1\r\n");
    toggleCurves(context());
    EXPECT_EQ(form().windowHeight(), kCollapsedHeight);
    EXPECT_EQ(readFile(settingsPath()), "[KZRT]\r\nGraph=0\r\n");
    form().setWindowHeight(500);  // neither height: the next press expands
    toggleCurves(context());
    EXPECT_EQ(form().windowHeight(), kExpandedHeight);
}

TEST_F(SettingsFileTest, SavePortSettingsWritesTheSelection) {
    startWindow();
    form().setComboIndex(kPortNumberCombo, 2);
    form().setComboIndex(kParityCombo, 4);
    form().setText(kRecordingSeconds, "7");
    savePortSettings(context());
    EXPECT_EQ(readFile(settingsPath()), "[KZRT]\r\nPort=3\r\nBaud=2400\r\nParity=Space\r\nSecond=7\r\nGraph=1\r\n");
    form().setComboIndex(kPortNumberCombo, -1);
    form().setComboIndex(kParityCombo, -1);  // no parity chosen: the key keeps its value
    savePortSettings(context());
    EXPECT_EQ(readFile(settingsPath()), "[KZRT]\r\nPort=0\r\nBaud=2400\r\nParity=Space\r\nSecond=7\r\nGraph=1\r\n");
}

TEST_F(SettingsFileTest, EveryExeIsRemovedFromTheExecutableName) {
    runtime::SetModulePath(dir / "my.exe.tool.EXE");
    EXPECT_EQ(settingsFilePath(), dir / "my.tool.ini");
}

// A working directory deleted while the program runs: the settings file is
// nowhere to be had, so the window keeps its design values and every write
// fails quietly; none of them may reach the root directory instead.
TEST_F(SettingsFileTest, ADeletedWorkingDirectoryWritesNoSettingsAnywhere) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not let a process's working directory be deleted";
#endif
    const std::filesystem::path rootFile = "/kzrt-console.ini";
    ASSERT_FALSE(std::filesystem::exists(rootFile));
    std::filesystem::create_directory(dir / "gone");
    std::filesystem::current_path(dir / "gone");
    std::filesystem::remove(dir / "gone");

    startWindow();
    // "Graph" reads as missing: the curves start hidden.
    EXPECT_EQ(form().windowHeight(), kCollapsedHeight);
    EXPECT_EQ(form().comboText(kBaudCombo), "2400");
    form().raise(kMainWindow, platform::kRightButtonDown);
    savePortSettings(context());
    EXPECT_EQ(form().windowHeight(), kExpandedHeight);
    EXPECT_FALSE(std::filesystem::exists(rootFile));
}

}  // namespace
