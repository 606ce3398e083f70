#include "runtime/settings_store.h"

#include <gtest/gtest.h>

#include <functional>

#include "runtime/files.h"

#include "temp_directory.h"

namespace runtime {
namespace {

struct Lookup {
    const char* section;
    const char* key;
    std::optional<Text> value;
};

TEST(IniDocumentTest, LooksUpLikeThePrivateProfileFunctions)
{
    const auto document = IniDocument::parse(
        "top=before any section\r\n"
        "[KZRT]\r\n"
        "Port=3\r\n"
        "  Baud =  9600  \r\n"
        "; Parity=Odd\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Half=\"open\r\n"
        "Empty=\r\n"
        "no equals sign\r\n"
        "[ other ]\r\n"
        "Port=9\r\n"
        "[kzrt]\r\n"
        "Graph=0\r\n");
    const Lookup cases[] = {
        {"KZRT", "Port", "3"},
        {"kzrt", "PORT", "3"},
        {"KZRT", "Baud", "9600"},
        {"KZRT", "Parity", std::nullopt},  // commented out
        {"KZRT", "; Parity", std::nullopt},
        {"KZRT", "Quoted", "  spaced  "},
        {"KZRT", "Single", "x"},
        {"KZRT", "Half", "\"open"},
        {"KZRT", "Empty", ""},
        {"KZRT", "no equals sign", std::nullopt},
        {"KZRT", "Graph", std::nullopt},  // only the first [KZRT] counts
        {"other", "Port", "9"},
        {"KZRT", "top", std::nullopt},
        {"", "top", std::nullopt},
        {"missing", "Port", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(document.value(c.section, c.key), c.value) << c.key;
}

TEST(IniDocumentTest, MatchesGbkNamesWithoutFoldingTrailBytes)
{
    const auto document = IniDocument::parse(Gbk("[设置]\n") + "A\x81" "a=1\n[x\x81]]\nk=2\n");
    EXPECT_EQ(document.value(Gbk("设置"), "a\x81" "a"), "1");
    EXPECT_EQ(document.value(Gbk("设置"), "A\x81" "A"), std::nullopt);
    EXPECT_EQ(document.value("x\x81]", "k"), "2");  // ']' as a trail byte
}

TEST(IniDocumentTest, RoundTripsBytesExactly)
{
    for (const char* content : {"", "\n", "\r\n\r\n", "[a]\r\nk=v", "[a]\nk = v \n; c\r\n\rjunk\n[",
                                "no newline at all", "[b]\r\nx=1\n"}) {
        EXPECT_EQ(IniDocument::parse(content).serialize(), content);
    }
}

struct Edit {
    std::string before;
    std::function<void(IniDocument&)> edit;
    std::string after;
};

TEST(IniDocumentTest, EditsTouchOnlyTheirLines)
{
    const Edit cases[] = {
        {"", [](IniDocument& d) { d.setValue("KZRT", "Port", "1"); }, "[KZRT]\r\nPort=1\r\n"},
        {"; settings\n[A]\nx=1\n", [](IniDocument& d) { d.setValue("B", "y", "2"); },
         "; settings\n[A]\nx=1\n[B]\ny=2\n"},
        {"[A]\r\nx=1", [](IniDocument& d) { d.setValue("B", "y", "2"); }, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"[A]\r\nx=1\r\n\r\n[B]\r\n", [](IniDocument& d) { d.setValue("a", "y", "2"); },
         "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\n"},
        {"[A]\r\n ; c\r\n X = 1 \r\n", [](IniDocument& d) { d.setValue("a", "x", "7"); },
         "[A]\r\n ; c\r\n X = 7\r\n"},
        {"[A]\r\nx=1\r\ny=2\r\n[B]\r\nx=3\r\n", [](IniDocument& d) { d.removeKey("A", "X"); },
         "[A]\r\ny=2\r\n[B]\r\nx=3\r\n"},
        {"; head\r\n[A]\r\nx=1\r\n; about A\r\n[B]\r\nx=3\r\n", [](IniDocument& d) { d.removeSection("a"); },
         "; head\r\n[B]\r\nx=3\r\n"},
        {"[A]\r\nx=1\r\n", [](IniDocument& d) { d.removeKey("A", "missing"); }, "[A]\r\nx=1\r\n"},
        {"[A]\r\nx=1\r\n", [](IniDocument& d) { d.removeSection("B"); }, "[A]\r\nx=1\r\n"},
    };
    for (const auto& c : cases) {
        IniDocument document = IniDocument::parse(c.before);
        c.edit(document);
        EXPECT_EQ(document.serialize(), c.after) << c.before;
    }
}

class SettingsFileTest : public TempDirectoryTest {};

TEST_F(SettingsFileTest, FirstRunWritesTheDefaultFile)
{
    const Text file = path("Meter.ini");
    for (const auto& [key, value] : {std::pair{"Port", "1"}, {"Baud", "2400"}, {"Parity", "Even"},
                                     {"Second", "1"}, {"Graph", "1"}}) {
        ASSERT_TRUE(WriteSettingsItem(file, "KZRT", key, value));
    }
    EXPECT_EQ(read("Meter.ini"), "[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n");
    EXPECT_EQ(entryCount(), 1u) << "a temporary file was left behind";
}

TEST_F(SettingsFileTest, ReadsWithFallbacksAndEmptyNames)
{
    write("s.ini", "[KZRT]\nPort= 3 \n");
    const Text file = path("s.ini");
    EXPECT_EQ(ReadSettingsItem(file, "kzrt", "port", "x"), "3");
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "Baud", "2400"), "2400");
    EXPECT_EQ(ReadSettingsItem(file, "Other", "Port", "d"), "d");
    EXPECT_EQ(ReadSettingsItem(path("missing.ini"), "KZRT", "Port", "d"), "d");
    EXPECT_EQ(ReadSettingsItem(file, "", "Port", "d"), "");
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "", "d"), "");
    EXPECT_EQ(ReadSettingsItem("", "KZRT", "Port", "d"), "");
}

TEST_F(SettingsFileTest, LongValuesAreCutLikeTheReadBuffer)
{
    const std::string ascii(20000, 'a');
    const std::string wide = std::string(10238, 'a') + "\xB5\xE7";  // 电 would end at byte 10240
    write("s.ini", "[S]\r\nA=" + ascii + "\r\nW=" + wide + "\r\n");
    EXPECT_EQ(ReadSettingsItem(path("s.ini"), "S", "A"), ascii.substr(0, 10239));
    EXPECT_EQ(ReadSettingsItem(path("s.ini"), "S", "W"), std::string(10238, 'a'));
}

TEST_F(SettingsFileTest, WritesKeepTheRestAndTheLineEnds)
{
    write("s.ini", "; user notes\n[KZRT]\nPort=1\nBaud=2400\n\n[Other]\nkey=v\n");
    const Text file = path("s.ini");
    ASSERT_TRUE(WriteSettingsItem(file, "kzrt", "PORT", "3"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Graph", "0"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Baud", std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n[Other]\nkey=v\n");
    ASSERT_TRUE(WriteSettingsItem(file, "Other", std::nullopt, std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n");
}

TEST_F(SettingsFileTest, RefusesWritesThatWouldForgeLines)
{
    const Text file = path("s.ini");
    EXPECT_FALSE(WriteSettingsItem(file, "KZRT", "Port", "1\r\n[Evil]"));
    EXPECT_FALSE(WriteSettingsItem(file, "KZ\nRT", "Port", "1"));
    EXPECT_FALSE(WriteSettingsItem(file, "", "Port", "1"));
    EXPECT_FALSE(WriteSettingsItem(file, "KZRT", std::string_view(), "1"));
    EXPECT_FALSE(WriteSettingsItem("", "KZRT", "Port", "1"));
    EXPECT_FALSE(FileExists(file));
}

TEST_F(SettingsFileTest, DeletingFromAMissingFileCreatesNothing)
{
    EXPECT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", "Port", std::nullopt));
    EXPECT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", std::nullopt, std::nullopt));
    EXPECT_EQ(entryCount(), 0u);
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNeverReplaced)
{
    std::filesystem::create_directory(m_directory / "s.ini");
    std::filesystem::create_directory(m_directory / "s.ini" / "keep");
    EXPECT_FALSE(WriteSettingsItem(path("s.ini"), "KZRT", "Port", "2"));
    EXPECT_TRUE(std::filesystem::exists(m_directory / "s.ini" / "keep"));
    EXPECT_FALSE(WriteSettingsItem(path("no-such-dir/s.ini"), "KZRT", "Port", "2"));
    EXPECT_EQ(entryCount(), 1u);
}

}  // namespace
}  // namespace runtime
