#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/FormatFloat.h"
#include "FormatFloat/StrToFloat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatCase {
    const char* Pattern;
    double Value;
    const char* Expected;
};

class FormatFloatCases : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatCases, FormatsLikeThePattern) {
    const FormatCase c = GetParam();
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected) << c.Pattern << " " << c.Value;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatFloatCases,
    testing::Values(FormatCase{"0.00", 10, "10.00"}, FormatCase{"0.00", 0.03, "0.03"},
                    FormatCase{"0.00", 0.3, "0.30"},
                    // Half away from zero, after 15 significant digits.
                    FormatCase{"0", 7812.5, "7813"}, FormatCase{"0", 9765.625, "9766"},
                    FormatCase{"0", 39062.49, "39062"}, FormatCase{"0", 10416.6666666667, "10417"},
                    FormatCase{"0.00", 2.675, "2.68"}, FormatCase{"0.00", 1.005, "1.01"},
                    FormatCase{"0.00", -2.675, "-2.68"}, FormatCase{"0", -0.5, "-1"},
                    FormatCase{"0.00", 9.995, "10.00"}, FormatCase{"0.00", 99.999, "100.00"},
                    FormatCase{"0.00000", 1234.56789012, "1234.56789"},
                    FormatCase{"0.000", 1234.56, "1234.560"},
                    // Small values and zero.
                    FormatCase{"0.00", 0.004, "0.00"}, FormatCase{"0.00", -0.004, "0.00"},
                    FormatCase{"0.00", 0.0, "0.00"}, FormatCase{"0.00", 0.005, "0.01"},
                    FormatCase{"0.00", 1e-20, "0.00"},
                    // Optional digits.
                    FormatCase{"#.##", 0.5, ".5"}, FormatCase{"0.0#", 1.5, "1.5"},
                    FormatCase{"0.0#", 1.257, "1.26"}, FormatCase{"#", 0.0, ""},
                    // Literal text around the digits.
                    FormatCase{"0.0 mV", 12.34, "12.3 mV"},
                    // Large values.
                    FormatCase{"0", 1e15, "1000000000000000"}, FormatCase{"0.0", 123456789.25, "123456789.3"}));

TEST(FormatFloat, NonFiniteValuesHaveFixedTexts) {
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity()), "-INF");
}

TEST(StrToFloat, ParsesWithTheProgramsSeparatorAndRejectsEverythingElse) {
    EXPECT_DOUBLE_EQ(StrToFloat(" 1.25 "), 1.25);
    EXPECT_DOUBLE_EQ(StrToFloat("-3"), -3.0);
    EXPECT_DOUBLE_EQ(StrToFloat("2.5e3"), 2500.0);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    for (const char* bad : {"", "  ", "1,5", "abc", "1.5x", "--1", "1e", ".", "1e999"})
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    SetDecimalSeparator(',');
    EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_EQ(FormatFloat("0.00", 1.5), "1,50");
    SetDecimalSeparator('.');
}

}  // namespace
