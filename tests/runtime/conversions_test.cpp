#include "runtime/conversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <limits>

namespace runtime {
namespace {

struct DoubleText {
    double value;
    const char* text;
};

TEST(ToTextTest, DoubleUsesThirteenDigitsAndThreeDigitExponents)
{
    const DoubleText cases[] = {
        {12.5, "12.5"},
        {0.1 + 0.2, "0.3"},
        {100.0, "100"},
        {1e13, "1e+013"},
        {9999999999999.0, "9999999999999"},
        {1.5e-5, "1.5e-005"},
        {0.0001, "0.0001"},
        {-2.5e100, "-2.5e+100"},
        {1e-300, "1e-300"},
        {0.0, "0"},
        {-1234.5678, "-1234.5678"},
        {1.0 / 3.0, "0.3333333333333"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToText(c.value), c.text) << c.value;
}

TEST(ToTextTest, FloatUsesSixDigits)
{
    EXPECT_EQ(ToText(1.2345f), "1.2345");
    EXPECT_EQ(ToText(1234567.0f), "1.23457e+006");
    EXPECT_EQ(ToText(0.1f), "0.1");
    EXPECT_EQ(ToText(3e-7f), "3e-007");
}

TEST(ToTextTest, IntegersLogicalsAndLiterals)
{
    EXPECT_EQ(ToText(std::int32_t{INT32_MIN}), "-2147483648");
    EXPECT_EQ(ToText(std::int64_t{1} << 40), "1099511627776");
    EXPECT_EQ(ToText(true), Gbk("真"));
    EXPECT_EQ(ToText(false), Gbk("假"));
    EXPECT_EQ(ToText("abc"), "abc");  // not the bool overload
}

TEST(ToTextTest, IgnoresTheCLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(ToText(12.5), "12.5");
    EXPECT_DOUBLE_EQ(ToNumber("12.5"), 12.5);
    std::setlocale(LC_ALL, "C");
}

TEST(FoldFullWidthTest, FoldsLettersDigitsAndTheFourSymbols)
{
    EXPECT_EQ(FoldFullWidth(Gbk("１２ａｂＺ！～")), "12abZ!~");
    EXPECT_EQ(FoldFullWidth("\xA1\xA1|\xA1\xAB|\xA1\xEE|\xA1\xEF"), " |~|*|*");
    // Other characters, including a trail byte that looks like ASCII, stay.
    EXPECT_EQ(FoldFullWidth(Gbk("电压ab")), Gbk("电压ab"));
    EXPECT_EQ(FoldFullWidth("\xA3"), "\xA3");  // a lone lead byte at the end
}

struct TextNumber {
    const char* text;
    double number;
};

TEST(ToNumberTest, ReadsTheLeadingDecimalNumber)
{
    const TextNumber cases[] = {
        {"12.5V", 12.5},   {"  -3.25e2x", -325.0}, {"+.5", 0.5},    {"5.", 5.0},
        {"1e", 1.0},       {"1e+", 1.0},           {"2E-3", 0.002}, {"abc", 0.0},
        {"", 0.0},         {".", 0.0},             {"-", 0.0},      {"\t\n 7", 7.0},
        {"-OVLD-", 0.0},   {"1e400", HUGE_VAL},    {"-1e400", -HUGE_VAL},
        {"1e-400", 0.0},   {"0.000e999999999999", 0.0},
        {"inf", 0.0},      {"nan", 0.0},           {"0x1A", 0.0},
    };
    for (const auto& c : cases) EXPECT_EQ(ToNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ToNumber(Gbk("１２．５")), 12.5);
    EXPECT_FLOAT_EQ(ToFloat("2.4691"), 2.4691f);
}

struct TextInteger {
    const char* text;
    std::int32_t value;
};

TEST(ToIntegerTest, ReadsTheLeadingWholeNumberAndSaturates)
{
    const TextInteger cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"  -42", -42},
        {"+7", 7},
        {"1.9", 1},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ToInteger(std::string_view(c.text)), c.value) << c.text;
    EXPECT_EQ(ToInteger(std::string_view(Gbk("１２abc"))), 12);
    EXPECT_EQ(ToInteger(std::string_view(Gbk("　３"))), 3);  // ideographic space is a blank
}

TEST(ToIntegerTest, DoublesTruncateAndOutOfRangeGivesTheMinimum)
{
    EXPECT_EQ(ToInteger(-2.7), -2);
    EXPECT_EQ(ToInteger(2.9999), 2);
    EXPECT_EQ(ToInteger(2147483647.9), INT32_MAX);
    EXPECT_EQ(ToInteger(-2147483648.9), INT32_MIN);
    EXPECT_EQ(ToInteger(2147483648.0), INT32_MIN);
    EXPECT_EQ(ToInteger(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(ToInteger(HUGE_VAL), INT32_MIN);
}

TEST(ToByteTest, KeepsTheLowByte)
{
    EXPECT_EQ(ToByte("300"), 44);
    EXPECT_EQ(ToByte("-1"), 255);
    EXPECT_EQ(ToByte("x"), 0);
}

struct Rounding {
    double x;
    int decimals;
    double expected;
};

TEST(RoundToTest, RoundsHalfAwayFromZero)
{
    const Rounding cases[] = {
        {2.345, 2, 2.35},   {-2.345, 2, -2.35}, {1250, -2, 1300}, {1249.99, -2, 1200},
        {2.5, 0, 3},        {-2.5, 0, -3},      {0.125, 2, 0.13}, {1.005, 2, 1.01},
        {99999.5, 0, 100000}, {0.0, 3, 0.0},
        {1e300, 20, 1e300},  // the scaled value overflows: x stays
        {5.0, -400, 0.0},    // a scale beyond the double range
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(RoundTo(c.x, c.decimals), c.expected) << c.x << " at " << c.decimals;
    }
    EXPECT_TRUE(std::isnan(RoundTo(std::numeric_limits<double>::quiet_NaN(), 2)));
}

struct Formatting {
    double x;
    std::optional<int> decimals;
    bool thousands;
    const char* text;
};

TEST(NumberToFormattedTextTest, RoundsPadsAndGroups)
{
    const Formatting cases[] = {
        {3, 2, false, "3.00"},
        {2.5, 0, false, "3"},
        {0.125, 2, false, "0.13"},
        {1.2, 4, false, "1.2000"},
        {0, 4, false, "0.0000"},
        {12345.678, 0, false, "12346"},
        {99999.5, 0, false, "100000"},
        {999.996, 2, false, "1000.00"},
        {9999.94, 1, false, "9999.9"},
        {1.5, std::nullopt, false, "1.5"},
        {1234567.891, 2, true, "1,234,567.89"},
        {-1234567, std::nullopt, true, "-1,234,567"},
        {123, 0, true, "123"},
        {1e20, 2, true, "1e+020"},      // exponent forms are neither padded nor grouped
        {0.00001, 5, false, "1e-005"},
        {123456789012.345, 2, false, "123456789012.40"},  // 13 digits, then padded
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberToFormattedText(c.x, c.decimals, c.thousands), c.text) << c.x;
    }
}

}  // namespace
}  // namespace runtime
