#include "runtime/conversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <limits>
#include <tuple>

namespace runtime {
namespace {

TEST(ToTextTest, UsesPrintfFormatsWithThreeDigitExponents)
{
    const std::pair<double, const char*> doubles[] = {
        {0.1 + 0.2, "0.3"},     {1.0 / 3.0, "0.3333333333333"}, {9999999999999.0, "9999999999999"},
        {1e13, "1e+013"},       {1.5e-5, "1.5e-005"},           {0.0001, "0.0001"},
        {-2.5e100, "-2.5e+100"}, {-1234.5678, "-1234.5678"},
    };
    for (const auto& [value, text] : doubles) EXPECT_EQ(ToText(value), text) << value;
    EXPECT_EQ(ToText(1.2345f), "1.2345");
    EXPECT_EQ(ToText(1234567.0f), "1.23457e+006");
    EXPECT_EQ(ToText(3e-7f), "3e-007");
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

TEST(FoldFullWidthTest, FoldsLettersDigitsAndTheFourSymbolsBeforeEveryReader)
{
    EXPECT_EQ(FoldFullWidth(Gbk("１２ａｂＺ！～")), "12abZ!~");
    EXPECT_EQ(FoldFullWidth("\xA1\xA1|\xA1\xAB|\xA1\xEE|\xA1\xEF"), " |~|*|*");
    // Other characters, including a trail byte that looks like ASCII, stay.
    EXPECT_EQ(FoldFullWidth(Gbk("电压ab")), Gbk("电压ab"));
    EXPECT_EQ(FoldFullWidth("\xA3"), "\xA3");  // a lone lead byte at the end
    EXPECT_EQ(ToNumber(Gbk("１２．５")), 12.5);
    EXPECT_FLOAT_EQ(ToFloat(Gbk("２.４６９１")), 2.4691f);
    EXPECT_EQ(ToInteger(std::string_view(Gbk("　１２abc"))), 12);  // ideographic space is a blank
    EXPECT_EQ(ToByte(Gbk("３００")), 44);
}

TEST(ToNumberTest, ReadsTheLeadingDecimalNumber)
{
    const std::pair<const char*, double> cases[] = {
        {"12.5V", 12.5},  {"  -3.25e2x", -325.0}, {"+.5", 0.5},          {"5.", 5.0},
        {"1e+", 1.0},     {"2E-3", 0.002},        {".", 0.0},            {"-OVLD-", 0.0},
        {"inf", 0.0},     {"0x1A", 0.0},          {"1e400", HUGE_VAL},   {"-1e400", -HUGE_VAL},
        {"1e-400", 0.0},  {"0.000e999999999999", 0.0},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(ToNumber(text), number) << text;
}

TEST(ToIntegerTest, ReadsTheLeadingWholeNumberAndSaturatesOrTruncates)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12abc", 12}, {"", 0}, {"  -42", -42}, {"1.9", 1}, {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN}, {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ToInteger(std::string_view(text)), value) << text;
    EXPECT_EQ(ToByte("-1"), 255);
    // Doubles truncate; NaN and out of range give the minimum.
    EXPECT_EQ(ToInteger(-2.7), -2);
    EXPECT_EQ(ToInteger(2147483647.9), INT32_MAX);
    EXPECT_EQ(ToInteger(-2147483648.9), INT32_MIN);
    EXPECT_EQ(ToInteger(2147483648.0), INT32_MIN);
    EXPECT_EQ(ToInteger(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
}

TEST(RoundToTest, RoundsHalfAwayFromZero)
{
    const std::tuple<double, int, double> cases[] = {
        {2.345, 2, 2.35}, {-2.345, 2, -2.35}, {1250, -2, 1300}, {2.5, 0, 3}, {1.005, 2, 1.01}, {0.0, 3, 0.0},
        {1e300, 20, 1e300},  // the scaled value overflows: x stays
        {5.0, -400, 0.0},    // a scale beyond the double range
    };
    for (const auto& [x, decimals, expected] : cases) {
        EXPECT_DOUBLE_EQ(RoundTo(x, decimals), expected) << x << " at " << decimals;
    }
    EXPECT_TRUE(std::isnan(RoundTo(std::numeric_limits<double>::quiet_NaN(), 2)));
}

TEST(NumberToFormattedTextTest, RoundsPadsAndGroups)
{
    const std::tuple<double, std::optional<int>, bool, const char*> cases[] = {
        {3, 2, false, "3.00"}, {1.2, 4, false, "1.2000"}, {999.996, 2, false, "1000.00"},
        {1.5, std::nullopt, false, "1.5"}, {-1234567, std::nullopt, true, "-1,234,567"},
        {1234567.891, 2, true, "1,234,567.89"}, {123, 0, true, "123"},
        {1e20, 2, true, "1e+020"}, {0.00001, 5, false, "1e-005"},  // exponent forms are neither padded nor grouped
        {123456789012.345, 2, false, "123456789012.40"},  // 13 digits, then padded
    };
    for (const auto& [x, decimals, thousands, text] : cases) {
        EXPECT_EQ(NumberToFormattedText(x, decimals, thousands), text) << x;
    }
}

}  // namespace
}  // namespace runtime
