#include "runtime/texts.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "runtime/runtime_errors.h"

namespace runtime {
namespace {

// Both builds must turn the same bytes into the same texts: each broken or
// unmappable character becomes exactly one replacement, and the next
// character survives.
TEST(GbkCodecTest, DecodesGbkReplacingEachBrokenCharacterOnce)
{
    const std::pair<Text, std::string> cases[] = {
        {"\xB5\xE7\xD1\xB9V", "电压V"},
        {"a\xB5", "a\uFFFD"},               // a lead byte cut off
        {"\xB5" "1x", "\uFFFD" "1x"},        // the digit survives
        {"\x80\x40", "€@"},                 // 0x80 alone is the euro sign
        {"\xFF\x41", "\uFFFD"},             // not a lead byte, yet takes its trail
        {"\xA2\xA0" "A", "\uFFFD" "A"},      // a pair that names no character
        {"\xB5\x7F", "\uFFFD\x7F"},          // 0x7F is never a trail byte
        {"\xAA\xA1\xFE\xFE", "\uFFFD\uFFFD"},  // user-defined areas: no private use
        {"\xA1\xA4\xA1\xAA\xA3\xB1", "·—１"},
    };
    for (const auto& [gbk, utf8] : cases) EXPECT_EQ(Utf8FromGbk(gbk), utf8) << gbk;
}

TEST(GbkCodecTest, EncodesUtf8WithOneQuestionMarkPerCharacterGbkLacks)
{
    const std::pair<std::string, Text> cases[] = {
        {"电压V℃", "\xB5\xE7\xD1\xB9V\xA1\xE6"},
        {"a😀b", "a?b"},                  // outside the BMP: one '?', not two
        {"a\xFF" "b", "a?b"},             // broken UTF-8
        {"\xC3\x28", "?("},              // a lead byte before ASCII
        {"\xC0\x80x", "?x"},             // overlong NUL
        {"\xED\xA0\x80y", "?y"},         // an encoded surrogate
        {"\xE7\x94", "?"},               // cut off
        {"\uE000\u20AC", "?\x80"},        // private use; the euro sign is 0x80
        {"·—ü", "\xA1\xA4\xA1\xAA\xA8\xB9"},
        {"\u0101\u2264", "\xA8\xA1\xA1\xDC"},
        {"\u00C0", "?"},                  // no best-fit look-alike ('A')
    };
    for (const auto& [utf8, gbk] : cases) EXPECT_EQ(GbkFromUtf8(utf8), gbk) << utf8;
}

TEST(SplitTextTest, SplitsBetweenSeparatorsSteppingOverTwoByteCharacters)
{
    // "乗" is 81 5C in GBK, its trail byte a backslash; "諀" is D5 7C, its
    // trail byte a '|'. The rule steps over any byte after a lead byte, so a
    // comma after one (CF 2C, not valid GBK) is skipped too.
    const Text trailComma = "\xCF\x2C";
    const std::tuple<Text, Text, int, std::vector<Text>> cases[] = {
        {"a,,b,", ",", -1, {"a", "", "b"}},
        {",a", ",", -1, {"", "a"}},
        {"", ",", -1, {}},
        {"a,b,c,d", ",", 2, {"a", "b"}},
        {"a,b", ",", 0, {}},
        {"a::b::", "::", -1, {"a", "b"}},
        {"abc", "", -1, {"abc"}},
        {"x" + trailComma + ",y", ",", -1, {"x" + trailComma, "y"}},
        {"\x81\x5C\\a", "\\", -1, {"\x81\x5C", "a"}},
        {Gbk("諀|諀"), "|", -1, {Gbk("諀"), Gbk("諀")}},
    };
    for (const auto& [text, separator, maxParts, pieces] : cases) {
        EXPECT_EQ(SplitText(text, separator, maxParts), pieces) << text;
    }
}

TEST(ReplaceSubtextTest, ReplacesLeftToRightWithoutOverlap)
{
    const std::tuple<Text, Text, Text, int, int, bool, Text> cases[] = {
        {"my.exe.tool.EXE", ".exe", "", 1, -1, false, "my.tool"},
        {"Meter.EXE", ".exe", "", 1, -1, true, "Meter.EXE"},
        {"aaa", "aa", "b", 1, -1, true, "ba"},
        {"a.a.a", ".", "-", 1, 1, true, "a-a.a"},
        {"a.a.a", ".", "-", 3, -1, true, "a.a-a"},
        {"a.a.a", ".", "-", 0, -1, true, "a-a-a"},
        {"abc", "", "x", 1, -1, true, "abc"},
        // Trail bytes never start a match, and never fold case.
        {"\xB1" "A" "A", "A", "x", 1, -1, true, "\xB1" "Ax"},
        {"\xB1" "a", "A", "x", 1, -1, false, "\xB1" "a"},
        {Gbk("电压V电压"), Gbk("电压"), "U", 1, -1, true, "UVU"},
    };
    for (const auto& [text, old, replacement, start, count, caseSensitive, expected] : cases) {
        EXPECT_EQ(ReplaceSubtext(text, old, replacement, start, count, caseSensitive), expected)
            << text << " / " << old;
    }
    EXPECT_EQ(JoinTexts({"a", "", Gbk("电"), "b"}), "a\xB5\xE7" "b");
}

TEST(RuntimeErrorsDeathTest, PresenterSeesTheFixedReportThenTheProcessEnds)
{
    EXPECT_EQ(RuntimeErrorReport(1),
              Gbk("运行时出错!\n\n错误代码：1\n\n错误信息：数组成员引用下标超出定义范围"));
    EXPECT_EXIT(
        {
            SetRuntimeErrorPresenter([](const Text& report) {
                std::fprintf(stderr, "presented %zu bytes", report.size());
            });
            ReportRuntimeError(4);
        },
        testing::ExitedWithCode(4), "presented " + std::to_string(RuntimeErrorReport(4).size()) + " bytes");
}

TEST(ArrayItemDeathTest, ReadsOneBasedItemsAndEndsOnABadIndex)
{
    const std::vector<Text> items{"a", "b"};
    EXPECT_EQ(ArrayItem(items, 2), "b");
    EXPECT_EXIT(ArrayItem(items, 3), testing::ExitedWithCode(1), "错误代码：1");
    EXPECT_EXIT(ArrayItem(items, 0), testing::ExitedWithCode(4), "下标必须大于等于1");
}

}  // namespace
}  // namespace runtime
