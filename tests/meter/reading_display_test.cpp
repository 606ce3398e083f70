// The display rules: band edges, rounding and the keep-the-text cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "meter/reading_display.h"

using namespace meter;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct PowerCase {
    float watts;
    const char* text;
};

class Power : public ::testing::TestWithParam<PowerCase> {};

TEST_P(Power, Text) { EXPECT_EQ(meter::powerText(GetParam().watts), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Bands, Power,
    ::testing::Values(PowerCase{0.0f, "0.0000"}, PowerCase{1.2f, "1.2000"},
                      PowerCase{9.99994f, "9.9999"},
                      PowerCase{9.99996f, "10.0000"},  // below 10, rounded up within its band
                      PowerCase{10.0f, "10.000"}, PowerCase{99.9994f, "99.999"}, PowerCase{100.0f, "100.00"},
                      PowerCase{999.99f, "999.99"}, PowerCase{1000.0f, "1000.0"}, PowerCase{9999.94f, "9999.9"},
                      PowerCase{10000.0f, "10000"}, PowerCase{12345.678f, "12346"},
                      PowerCase{99999.5f, "100000"}, PowerCase{100000.0f, "-OVLD-"},
                      PowerCase{1e9f, "-OVLD-"}, PowerCase{kInf, "-OVLD-"}, PowerCase{kNaN, "-OVLD-"}));

struct ResistanceCase {
    float ohms;
    const char* text;  // nullptr: the read-out keeps its text
};

class Resistance : public ::testing::TestWithParam<ResistanceCase> {};

TEST_P(Resistance, Text)
{
    const auto text = meter::resistanceText(GetParam().ohms);
    if (GetParam().text) {
        EXPECT_EQ(text, std::optional<runtime::Text>(GetParam().text));
    } else {
        EXPECT_FALSE(text.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, Resistance,
    ::testing::Values(ResistanceCase{0.0f, "0.0000"}, ResistanceCase{2.5f, "2.5000"},
                      ResistanceCase{9.99996f, "10.0000"}, ResistanceCase{10.0f, "10.000"},
                      ResistanceCase{10.00405f, "10.004"}, ResistanceCase{100.0f, "100.00"},
                      ResistanceCase{999.996f, "1000.00"}, ResistanceCase{1000.0f, nullptr},
                      ResistanceCase{1000.01f, "-OVLD-"}, ResistanceCase{-0.5f, "-OVLD-"},
                      ResistanceCase{kInf, "-OVLD-"}, ResistanceCase{-kInf, "-OVLD-"},
                      ResistanceCase{kNaN, "-OVLD-"}));

struct TotalCase {
    double value;
    const char* text;  // nullptr: the read-out keeps its text
};

class Total : public ::testing::TestWithParam<TotalCase> {};

TEST_P(Total, Text)
{
    const auto text = meter::totalText(GetParam().value);
    if (GetParam().text) {
        EXPECT_EQ(text, std::optional<runtime::Text>(GetParam().text));
    } else {
        EXPECT_FALSE(text.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, Total,
    ::testing::Values(TotalCase{0.0, "0.0000"}, TotalCase{2.0, "2.0000"}, TotalCase{9.99996, "10.0000"},
                      TotalCase{24.0, "24.000"}, TotalCase{999.996, "1000.00"}, TotalCase{9999.94, "9999.9"},
                      TotalCase{9999.96, "10000.0"}, TotalCase{10000.0, nullptr},
                      TotalCase{10000.00000005, nullptr}, TotalCase{10000.001, "10000"},
                      TotalCase{12345.6, "12346"}, TotalCase{1234567.4, "1234567"}));

TEST(Tolerance, BandLimitsAreJudgedWithinATenthOfAMillionth)
{
    EXPECT_TRUE(meter::isBelow(10.0 - 2e-7, 10.0));
    EXPECT_FALSE(meter::isBelow(10.0 - 5e-8, 10.0));
    EXPECT_TRUE(meter::isAbove(10.0 + 2e-7, 10.0));
    EXPECT_FALSE(meter::isAbove(10.0 + 5e-8, 10.0));
}

}  // namespace
