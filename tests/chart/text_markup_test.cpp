// The title and tooltip markup, and the font texts.
#include <gtest/gtest.h>

#include "chart/font_text.h"
#include "chart/text_markup.h"

namespace chart {
namespace {

using runtime::Gbk;

TEST(Markup, PlainTextDropsTheTagsOfTheGrammar) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"<bold>a</bold>b", "ab"}, {"<BOLD>a</Bold>", "a"}, {"a<br>b<br/>c", "a\nb\nc"},
        {"<color=red>r</color><backcolor=0xFF00>g</backcolor>", "rg"},
        {"&lgt;bold&rgt;", "<bold>"}, {"&-lgt;&-rgt;", "&lgt;&rgt;"}, {"a & b < c > d", "a & b < c > d"},
        {Gbk("<bold>电压0-10A</bold><br>实时曲线图"), Gbk("电压0-10A\n实时曲线图")},  // no GBK byte is markup
        {"<b>x</b>", "<b>x</b>"},                  // not a keyword
        {"<color>x</color>", "<color>x</color>"},  // colour missing
        {"<color=pink>x", "<color=pink>x"},        // unknown colour
        {"</bold>x", "</bold>x"},                  // nothing to close
        {"<bold=red>x", "<bold=red>x"},            // bold takes no colour
        {"unclosed <bold", "unclosed <bold"},
    };
    for (const auto& [markup, shown] : cases) EXPECT_EQ(plainText(markup), shown) << markup;
}

TEST(Markup, StylesNestAndClose) {
    TextStyle bold, italicUnderline, underline;
    bold.bold = true;
    italicUnderline.italic = italicUnderline.underline = underline.underline = true;
    const MarkupLine expected = {{"abc", bold}, {"d", {}}, {"e", italicUnderline}, {"f", underline}};
    const auto lines = parseMarkup("<bold>a<bold>b</bold>c</bold>d<italic><underline>e</italic>f");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], expected);
}

TEST(Markup, ColoursStackAndMinusOneRestoresTheDefault) {
    TextStyle blue, struckAndFramed;
    blue.colour = 0xFF0000;
    struckAndFramed.strikeout = true;
    struckAndFramed.borderColour = 255;
    const MarkupLine expected = {{"a", blue}, {"b", {}}, {"c", blue}, {"d", {}}, {"e", struckAndFramed}};
    const auto lines = parseMarkup("<color=blue>a<color=-1>b</color>c</color>d<strikeout><bordercolor=255>e");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], expected);
}

TEST(Markup, ColourWords) {
    const std::pair<std::string, ParsedColour> cases[] = {
        {"red", {true, 0x0000FF}},    {"Green", {true, 0x00FF00}},   {"blue", {true, 0xFF0000}},
        {"-1", {true, std::nullopt}}, {"255", {true, 255}},          {"0x0A0AC8", {true, 0x0A0AC8}},
        {"0x1000000", {false, {}}},   {"", {false, {}}},             {"12px", {false, {}}},
        {"-2", {false, {}}},
    };
    for (const auto& [word, colour] : cases) {
        EXPECT_EQ(parseMarkupColour(word).valid, colour.valid) << word;
        EXPECT_EQ(parseMarkupColour(word).colour, colour.colour) << word;
    }
}

TEST(FontText, FaceHeightAndWeight) {
    struct Case {
        std::string text;
        std::string face;
        int height;
        int weight;
    };
    const Case cases[] = {
        {Gbk("微软雅黑 , -14 , 700"), "微软雅黑", -14, 700}, {"Arial Black,-48,900", "Arial Black", -48, 900},
        {Gbk("新宋体"), "新宋体", 0, 400}, {"Tahoma,16", "Tahoma", 16, 400},
        {"Tahoma,-12,5000", "Tahoma", -12, 400}, {"", "", 0, 400},
    };
    for (const Case& c : cases) {
        const platform::FontSpec spec = parseFontText(c.text);
        EXPECT_EQ(spec.face, c.face) << c.text;
        EXPECT_EQ(spec.height, c.height) << c.text;
        EXPECT_EQ(spec.weight, c.weight) << c.text;
    }
}

}  // namespace
}  // namespace chart
