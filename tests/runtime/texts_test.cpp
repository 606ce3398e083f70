#include "runtime/texts.h"

#include <gtest/gtest.h>

namespace runtime {
namespace {

using Pieces = std::vector<Text>;

struct SplitCase {
    Text text;
    Text separator;
    int maxParts;
    Pieces pieces;
};

TEST(SplitTextTest, SplitsBetweenSeparators)
{
    // "乗" is 81 5C in GBK, its trail byte a backslash; "諀" is D5 7C, its
    // trail byte a '|'. The rule steps over any byte after a lead byte, so a
    // comma after one (CF 2C, not valid GBK) is skipped too.
    const Text trailComma = "\xCF\x2C";
    const SplitCase cases[] = {
        {"a,b,c", ",", -1, {"a", "b", "c"}},
        {"a,b,", ",", -1, {"a", "b"}},
        {"a,,b", ",", -1, {"a", "", "b"}},
        {",a", ",", -1, {"", "a"}},
        {"", ",", -1, {}},
        {",", ",", -1, {""}},
        {"abc", ",", -1, {"abc"}},
        {"a,b,c,d", ",", 2, {"a", "b"}},
        {"a,b", ",", 0, {}},
        {"a::b::", "::", -1, {"a", "b"}},
        {"abc", "", -1, {"abc"}},
        {"x" + trailComma + ",y", ",", -1, {"x" + trailComma, "y"}},
        {trailComma + trailComma, ",", -1, {trailComma + trailComma}},
        {"\x81\x5C\\a", "\\", -1, {"\x81\x5C", "a"}},
        {Gbk("諀|諀"), "|", -1, {Gbk("諀"), Gbk("諀")}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitText(c.text, c.separator, c.maxParts), c.pieces) << c.text;
    }
}

TEST(SplitTextTest, SplitsARecordingRow)
{
    const Text row = Gbk("2015年12月5日14时3分7秒,12.500,V,0.5000,A");
    EXPECT_EQ(SplitText(row), (Pieces{Gbk("2015年12月5日14时3分7秒"), "12.500", "V", "0.5000", "A"}));
}

struct ReplaceCase {
    Text text;
    Text old;
    Text replacement;
    int start;
    int count;
    bool caseSensitive;
    Text expected;
};

TEST(ReplaceSubtextTest, ReplacesLeftToRightWithoutOverlap)
{
    const ReplaceCase cases[] = {
        {"my.exe.tool.exe", ".exe", "", 1, -1, false, "my.tool"},
        {"Meter.EXE", ".exe", "", 1, -1, false, "Meter"},
        {"Meter.EXE", ".exe", "", 1, -1, true, "Meter.EXE"},
        {"aaaa", "aa", "b", 1, -1, true, "bb"},
        {"aaa", "aa", "b", 1, -1, true, "ba"},
        {"a.a.a", ".", "-", 1, 1, true, "a-a.a"},
        {"a.a.a", ".", "-", 3, -1, true, "a.a-a"},
        {"a.a.a", ".", "-", 0, -1, true, "a-a-a"},
        {"a.a.a", ".", "-", 99, -1, true, "a.a.a"},
        {"a.a.a", ".", "-", 1, 0, true, "a.a.a"},
        {"abc", "", "x", 1, -1, true, "abc"},
        {"", "a", "x", 1, -1, true, ""},
        // Trail bytes never start a match, and never fold case.
        {"\xB1" "A" "A", "A", "x", 1, -1, true, "\xB1" "Ax"},
        {"\xB1" "a", "A", "x", 1, -1, false, "\xB1" "a"},
        {Gbk("电压V电压"), Gbk("电压"), "U", 1, -1, true, "UVU"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceSubtext(c.text, c.old, c.replacement, c.start, c.count, c.caseSensitive),
                  c.expected)
            << c.text << " / " << c.old;
    }
}

TEST(ArrayItemTest, ReadsOneBasedItems)
{
    const std::vector<Text> items{"a", "b"};
    EXPECT_EQ(ArrayItem(items, 1), "a");
    EXPECT_EQ(ArrayItem(items, 2), "b");
}

TEST(ArrayItemDeathTest, IndexOutOfRangeEndsWithTheCode)
{
    const std::vector<Text> items{"a", "b"};
    EXPECT_EXIT(ArrayItem(items, 3), testing::ExitedWithCode(1), "错误代码：1");
    EXPECT_EXIT(ArrayItem(items, 0), testing::ExitedWithCode(4), "下标必须大于等于1");
    EXPECT_EXIT(ArrayItem({}, 1), testing::ExitedWithCode(1), "超出定义范围");
}

}  // namespace
}  // namespace runtime
