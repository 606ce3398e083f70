#include "runtime/settings_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace runtime {
namespace {

TEST(IniDocumentTest, LooksUpLikeThePrivateProfileFunctions)
{
    const auto document = IniDocument::parse(
        "top=before any section\r\n"
        "[KZRT]\r\n"
        "Port=3\r\n"
        "  Baud =  9600  \r\n"
        "; Parity=Odd\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Half=\"open\r\n"
        "Empty=\r\n"
        "no equals sign\r\n"
        "[ other ]\r\n"
        "Port=9\r\n"
        "[kzrt]\r\n"
        "Graph=0\r\n");
    const std::tuple<const char*, const char*, std::optional<Text>> cases[] = {
        {"KZRT", "Port", "3"}, {"kzrt", "PORT", "3"}, {"KZRT", "Baud", "9600"}, {"KZRT", "Empty", ""},
        {"KZRT", "Parity", std::nullopt},  // commented out
        {"KZRT", "Quoted", "  spaced  "},
        {"KZRT", "Half", "\"open"},
        {"KZRT", "no equals sign", std::nullopt},
        {"KZRT", "Graph", std::nullopt},  // only the first [KZRT] counts
        {"other", "Port", "9"}, {"KZRT", "top", std::nullopt}, {"missing", "Port", std::nullopt},
    };
    for (const auto& [section, key, value] : cases) EXPECT_EQ(document.value(section, key), value) << key;

    // Two-byte names match, and their trail bytes never fold case.
    const auto gbk = IniDocument::parse(Gbk("[设置]\n") + "A\x81" "a=1\n[x\x81]]\nk=2\n");
    EXPECT_EQ(gbk.value(Gbk("设置"), "a\x81" "a"), "1");
    EXPECT_EQ(gbk.value(Gbk("设置"), "A\x81" "A"), std::nullopt);
    EXPECT_EQ(gbk.value("x\x81]", "k"), "2");  // ']' as a trail byte
}

TEST(IniDocumentTest, RoundTripsBytesExactlyAndEditsTouchOnlyTheirLines)
{
    for (const char* content : {"", "\r\n\r\n", "[a]\nk = v \n; c\r\n\rjunk\n[", "no newline at all"}) {
        EXPECT_EQ(IniDocument::parse(content).serialize(), content);
    }
    const std::tuple<std::string, std::function<void(IniDocument&)>, std::string> cases[] = {
        {"[A]\r\nx=1", [](IniDocument& d) { d.setValue("B", "y", "2"); }, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"[A]\r\n ; c\r\n X = 1 \r\n", [](IniDocument& d) { d.setValue("a", "x", "7"); },
         "[A]\r\n ; c\r\n X = 7\r\n"},
        {"; head\r\n[A]\r\nx=1\r\n; about A\r\n[B]\r\nx=3\r\n", [](IniDocument& d) { d.removeSection("a"); },
         "; head\r\n[B]\r\nx=3\r\n"},
        {"[A]\r\nx=1\r\n", [](IniDocument& d) { d.removeSection("B"); }, "[A]\r\nx=1\r\n"},
    };
    for (const auto& [before, edit, after] : cases) {
        IniDocument document = IniDocument::parse(before);
        edit(document);
        EXPECT_EQ(document.serialize(), after) << before;
    }
}

}  // namespace
}  // namespace runtime
