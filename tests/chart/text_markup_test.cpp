// The title and tooltip markup, and the font texts.
#include <gtest/gtest.h>

#include "chart/font_text.h"
#include "chart/text_markup.h"

namespace chart {
namespace {

using runtime::Gbk;

struct PlainCase {
    std::string markup;
    std::string shown;
};

class MarkupPlainText : public ::testing::TestWithParam<PlainCase> {};

TEST_P(MarkupPlainText, ShowsTheTextWithoutTags) {
    EXPECT_EQ(plainText(GetParam().markup), GetParam().shown) << GetParam().markup;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, MarkupPlainText,
    ::testing::Values(
        PlainCase{"", ""}, PlainCase{"plain", "plain"},
        PlainCase{"<bold>a</bold>b", "ab"}, PlainCase{"<BOLD>a</Bold>", "a"},
        PlainCase{"a<br>b<br/>c", "a\nb\nc"},
        PlainCase{"<color=red>r</color><backcolor=0xFF00>g</backcolor>", "rg"},
        PlainCase{"&lgt;bold&rgt;", "<bold>"}, PlainCase{"&-lgt;&-rgt;", "&lgt;&rgt;"},
        PlainCase{"a & b", "a & b"}, PlainCase{"a < b > c", "a < b > c"},
        PlainCase{"<b>x</b>", "<b>x</b>"},                // not a keyword
        PlainCase{"<color>x</color>", "<color>x</color>"},  // colour missing
        PlainCase{"<color=pink>x", "<color=pink>x"},        // unknown colour
        PlainCase{"</bold>x", "</bold>x"},                   // nothing to close
        PlainCase{"<bold=red>x", "<bold=red>x"},             // bold takes no colour
        PlainCase{"unclosed <bold", "unclosed <bold"}));

TEST(Markup, StylesNestAndClose) {
    const auto lines = parseMarkup("<bold>a<bold>b</bold>c</bold>d<italic><underline>e</italic>f");
    ASSERT_EQ(lines.size(), 1u);
    const MarkupLine& runs = lines[0];
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].text, "abc");
    EXPECT_TRUE(runs[0].style.bold);
    EXPECT_EQ(runs[1].text, "d");
    EXPECT_EQ(runs[1].style, TextStyle{});
    EXPECT_EQ(runs[2].text, "e");
    EXPECT_TRUE(runs[2].style.italic && runs[2].style.underline);
    EXPECT_EQ(runs[3].text, "f");
    EXPECT_TRUE(runs[3].style.underline && !runs[3].style.italic);
}

TEST(Markup, ColoursStackAndMinusOneRestoresTheDefault) {
    const auto lines = parseMarkup("<color=blue>a<color=-1>b</color>c</color>d<strikeout><bordercolor=255>e");
    ASSERT_EQ(lines.size(), 1u);
    const MarkupLine& runs = lines[0];
    ASSERT_EQ(runs.size(), 5u);
    const std::optional<Colour> expected[] = {0xFF0000, std::nullopt, 0xFF0000, std::nullopt, std::nullopt};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(runs[i].text, std::string(1, char('a' + i)));
        EXPECT_EQ(runs[i].style.colour, expected[i]) << i;
    }
    EXPECT_TRUE(runs[4].style.strikeout);
    EXPECT_EQ(runs[4].style.borderColour, Colour{255});
}

TEST(Markup, GbkTextPassesThroughWhole) {
    const Text title = Gbk("<bold>电压0-100V</bold> 电流0-10A<br>实时曲线图");
    const auto lines = parseMarkup(title);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0].text, Gbk("电压0-100V"));
    EXPECT_EQ(lines[0][1].text, Gbk(" 电流0-10A"));
    EXPECT_EQ(lines[1][0].text, Gbk("实时曲线图"));
}

struct ColourCase {
    std::string word;
    bool valid;
    std::optional<Colour> colour;
};

class MarkupColours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(MarkupColours, Parse) {
    const ParsedColour parsed = parseMarkupColour(GetParam().word);
    EXPECT_EQ(parsed.valid, GetParam().valid) << GetParam().word;
    EXPECT_EQ(parsed.colour, GetParam().colour) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, MarkupColours,
    ::testing::Values(ColourCase{"red", true, 0x0000FF}, ColourCase{"Green", true, 0x00FF00},
                      ColourCase{"blue", true, 0xFF0000}, ColourCase{"-1", true, std::nullopt},
                      ColourCase{"255", true, 255}, ColourCase{"0x0A0AC8", true, 0x0A0AC8},
                      ColourCase{"0x1000000", false, std::nullopt}, ColourCase{"", false, std::nullopt},
                      ColourCase{"12px", false, std::nullopt}, ColourCase{"-2", false, std::nullopt}));

struct FontCase {
    std::string text;
    std::string face;
    int height;
    int weight;
};

class FontTexts : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontTexts, Parse) {
    const platform::FontSpec spec = parseFontText(GetParam().text);
    EXPECT_EQ(spec.face, GetParam().face);
    EXPECT_EQ(spec.height, GetParam().height);
    EXPECT_EQ(spec.weight, GetParam().weight);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, FontTexts,
    ::testing::Values(FontCase{Gbk("微软雅黑,-12,400"), "微软雅黑", -12, 400},
                      FontCase{Gbk("微软雅黑 , -14 , 700"), "微软雅黑", -14, 700},
                      FontCase{"Arial Black,-48,900", "Arial Black", -48, 900},
                      FontCase{Gbk("新宋体"), "新宋体", 0, 400},
                      FontCase{"Tahoma,16", "Tahoma", 16, 400},
                      FontCase{",-12,", "", -12, 400},
                      FontCase{"", "", 0, 400},
                      FontCase{"Tahoma,-12,5000", "Tahoma", -12, 400}));

}  // namespace
}  // namespace chart
