#include "entries/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vorlix {
namespace {

struct Reading {
    std::string text;
    double value;
};

void ExpectReadings(const std::vector<Reading>& cases) {
    for (const auto& c : cases) {
        const double got = NumberFromText(c.text);
        EXPECT_DOUBLE_EQ(got, c.value) << "text \"" << c.text << "\"";
        if (c.value == 0) {
            EXPECT_FALSE(std::signbit(got)) << "-0 from \"" << c.text << "\"";
        }
    }
}

TEST(NumberFromText, DecimalTakesTheLongestLeadingNumber) {
    ExpectReadings({
        {"0", 0},      {"11", 11},  {"-3", -3},    {"+5", 5},     {"007", 7},
        {"1.5", 1.5},  {".5", 0.5}, {"-.5", -0.5}, {"1.", 1},     {"1.2.3", 1.2},
        {"12abc", 12}, {"1a", 1},   {"1:2", 1},    {"10:20", 10}, {"", 0},
        {"abc", 0},    {"-", 0},    {".", 0},      {"-.", 0},     {"--5", 0},
        {"+-5", 0},    {"-0", 0},   {"-0.0", 0},   {"$5", 0},     {"1,5", 1},
    });
}

TEST(NumberFromText, IgnoresSpacesTabsAndLineFeedsButNotCarriageReturns) {
    ExpectReadings({
        {"1 2", 12},
        {" \t\n42", 42},
        {"- 5", -5},
        {"1\t.\n5", 1.5},
        {"4 2 :1", 42},
        {"1 e 2", 100},
        {"& H 1 F", 31},
        {"   ", 0},
        {"1\r2", 1},
        {"\r5", 0},
        {"\v5", 0},
        {"\f5", 0},
    });
}

TEST(NumberFromText, ExponentOnlyWhenDigitsFollow) {
    ExpectReadings({
        {"1e2", 100},   {"1E2", 100},  {"1d2", 100}, {"1D-2", 0.01},  {"1e+2", 100},
        {"2.5e1", 25},  {"1.e2", 100}, {".5e1", 5},  {"-1e3", -1000}, {"1e", 1},
        {"1e+", 1},     {"1e-", 1},    {"1ee2", 1},  {"1e+-2", 1},    {"1e2.5", 100},
        {"1e2e3", 100}, {"e2", 0},     {".e2", 0},   {"1e002", 100},  {"5x1e2", 5},
    });
}

TEST(NumberFromText, HexAndOctalAreSixteenOrThirtyTwoBitIntegers) {
    ExpectReadings({
        {"&H10", 16},
        {"&h1f", 31},
        {"&HFF", 255},
        {"&H7FFF", 32767},
        {"&H8000", -32768},
        {"&HFFFF", -1},
        {"&H0000FFFF", -1},
        {"&H10000", 65536},
        {"&H7FFFFFFF", 2147483647},
        {"&H80000000", -2147483648.0},
        {"&HFFFFFFFF", -1},
        {"&H100000000", 4294967296.0},
        {"&H1FZ", 31},
        {"&H1.5", 1},
        {"&O17", 15},
        {"&o777", 511},
        {"&O177777", -1},
        {"&O37777777777", -1},
        {"&O78", 7},
        {"&O8", 0},
        {"&H", 0},
        {"&HG1", 0},
        {"&", 0},
        {"&X1", 0},
        {"&17", 0},
        {"-&H1", 0},
        {"&H-1", 0},
    });
}

TEST(NumberFromText, HugeAndTinyTextsNeverCrashOrGiveNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(NumberFromText(std::string(400, '9')), inf);
    EXPECT_EQ(NumberFromText("-" + std::string(400, '9')), -inf);
    EXPECT_EQ(NumberFromText("1e400"), inf);
    EXPECT_EQ(NumberFromText("-1e400"), -inf);
    EXPECT_EQ(NumberFromText("1e99999999999999999999"), inf);
    EXPECT_EQ(NumberFromText("1e-400"), 0);
    EXPECT_FALSE(std::signbit(NumberFromText("-1e-400")));
    EXPECT_EQ(NumberFromText("1e-99999999999999999999"), 0);
    EXPECT_EQ(NumberFromText("0e99999"), 0);
    // A tiny mantissa lifted back into range by its exponent, and the reverse.
    EXPECT_DOUBLE_EQ(NumberFromText("0." + std::string(299, '0') + "1e310"), 1e10);
    EXPECT_DOUBLE_EQ(NumberFromText("1" + std::string(300, '0') + "e-310"), 1e-10);
    EXPECT_DOUBLE_EQ(NumberFromText("12345678901234567890"), 12345678901234567890.0);
    EXPECT_DOUBLE_EQ(NumberFromText(std::string(100000, '0') + "5"), 5);
    EXPECT_DOUBLE_EQ(NumberFromText("1" + std::string(100000, ' ') + "2"), 12);
    EXPECT_EQ(NumberFromText("&H" + std::string(1000, 'F')), inf);
    EXPECT_DOUBLE_EQ(NumberFromText("&H" + std::string(100, '0') + "FFFF"), -1);
    EXPECT_DOUBLE_EQ(NumberFromText("&H10000000000000001"), 18446744073709551617.0);
    EXPECT_FALSE(std::isnan(NumberFromText(std::string(5000, '1') + "e-5000")));
}

TEST(HasLeadingNumber, TellsZeroFromNoNumber) {
    for (const char* text : {"0", " 0", "-0", "+7", ".5", "-.5", "1e", "&H0", "&o7", "1 2", "5abc"})
        EXPECT_TRUE(HasLeadingNumber(text)) << text;
    for (const char* text : {"", " ", "x", ".", "-", "+.", "&H", "&HG", "&O8", "&X1", "e5", "\r1"})
        EXPECT_FALSE(HasLeadingNumber(text)) << text;
}

TEST(FormatGeneral, WholeNumbersArePlainDigits) {
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(1), "1");
    EXPECT_EQ(FormatGeneral(11), "11");
    EXPECT_EQ(FormatGeneral(-3), "-3");
    EXPECT_EQ(FormatGeneral(100), "100");
    EXPECT_EQ(FormatGeneral(1000000), "1000000");
    EXPECT_EQ(FormatGeneral(123456789012345), "123456789012345");
    EXPECT_EQ(FormatGeneral(-999999999999999), "-999999999999999");
    EXPECT_EQ(FormatGeneral(0.99999999999999999), "1");
}

TEST(FormatGeneral, FractionsUseAtMostFifteenSignificantDigits) {
    EXPECT_EQ(FormatGeneral(2.5), "2.5");
    EXPECT_EQ(FormatGeneral(-0.5), "-0.5");
    EXPECT_EQ(FormatGeneral(0.1), "0.1");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(-2.0 / 3), "-0.666666666666667");
    EXPECT_EQ(FormatGeneral(1234.5678), "1234.5678");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00012), "0.00012");
}

TEST(FormatGeneral, ExponentOutsideFifteenDigitsAsVisualBasicWritesIt) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatGeneral(1e15), "1E+15");
    EXPECT_EQ(FormatGeneral(1e20), "1E+20");
    EXPECT_EQ(FormatGeneral(-1.5e20), "-1.5E+20");
    EXPECT_EQ(FormatGeneral(123456789012345678.0), "1.23456789012346E+17");
    EXPECT_EQ(FormatGeneral(999999999999999.9), "1E+15");
    EXPECT_EQ(FormatGeneral(0.00001), "1E-05");
    EXPECT_EQ(FormatGeneral(-1.25e-7), "-1.25E-07");
    EXPECT_EQ(FormatGeneral(1e-300), "1E-300");
    EXPECT_EQ(FormatGeneral(DBL_MAX), "1.79769313486232E+308");
    EXPECT_EQ(FormatGeneral(inf), "1E+309");
    EXPECT_EQ(FormatGeneral(-inf), "-1E+309");
    EXPECT_EQ(FormatGeneral(std::nan("")), "NaN");
}

TEST(FormatGeneral, ReadsBackAsTheSameNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {0.0, 1.0, -3.0, 11.0, 404.0, 2147483647.0, -2147483648.0, 999999999999999.0,
                     1e15, 4e20, -7e-9, 2.5, 0.001}) {
        EXPECT_DOUBLE_EQ(NumberFromText(FormatGeneral(v)), v) << FormatGeneral(v);
    }
    EXPECT_EQ(NumberFromText(FormatGeneral(inf)), inf);
    EXPECT_EQ(NumberFromText(FormatGeneral(-inf)), -inf);
    EXPECT_EQ(NumberFromText(FormatGeneral(std::nan(""))), 0);
}

}  // namespace
}  // namespace vorlix
