#include "entries/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vorlix {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

void ExpectReadings(const std::vector<std::pair<std::string, double>>& cases) {
    for (const auto& [text, value] : cases) {
        const double got = NumberFromText(text);
        EXPECT_EQ(got, value) << '"' << text.substr(0, 20) << '"';
        EXPECT_FALSE(got == 0 && std::signbit(got)) << "-0 from \"" << text << '"';
    }
}

// Sign, digits, one "." and an E or D exponent that counts only when digits follow, up to the
// first byte that continues no number; spaces, tabs and LF are dropped anywhere, CR is not.
// &H and &O numbers are the unsigned value they write.
TEST(NumberFromText, LongestLeadingNumber) {
    ExpectReadings(
        {{"-3", -3},     {"+5", 5},       {"007", 7},       {".5", 0.5},    {"-.5", -0.5},
         {"1.", 1},      {"1.2.3", 1.2},  {"12abc", 12},    {"10:20", 10},  {"1,5", 1},
         {"", 0},        {"abc", 0},      {"-.", 0},        {"--5", 0},     {"+-5", 0},
         {"-0", 0},      {"-0.0", 0},     {" \t\n4 2", 42}, {"- 5", -5},    {"1\t.\n5", 1.5},
         {"1 e 2", 100}, {"& H 1 F", 31}, {"1\r2", 1},      {"\r5", 0},     {"\v5", 0},
         {"\f5", 0},     {"1E2", 100},    {"1d2", 100},     {"1D-2", 0.01}, {"1e+2", 100},
         {"2.5e1", 25},  {"1.e2", 100},   {".5e1", 5},      {"1e", 1},      {"1e+", 1},
         {"1e-", 1},     {"1ee2", 1},     {"1e+-2", 1},     {"1e2.5", 100}, {"1e2e3", 100},
         {"e2", 0},      {".e2", 0}});
    ExpectReadings(
        {{"&h1f", 31},      {"&H7FFF", 32767},  {"&H8000", 32768},   {"&H80000000", 2147483648},
         {"&HFFFF", 65535}, {"&H10000", 65536}, {"&H1FZ", 31},       {"&H100000000", 4294967296},
         {"&H1.5", 1},      {"&o777", 511},     {"&O177777", 65535}, {"&HFFFFFFFF", 4294967295},
         {"&O78", 7},       {"&O8", 0},         {"&H", 0},           {"&O37777777777", 4294967295},
         {"&HG1", 0},       {"&X1", 0},         {"&17", 0},          {"&H0000FFFF", 65535},
         {"-&H1", 0},       {"&H-1", 0}});
}

TEST(NumberFromText, HugeTextsGiveInfinityOrZeroNeverNaN) {
    ExpectReadings({{std::string(400, '9'), kInf},
                    {"-1e400", -kInf},
                    {"1e99999999999999999999", kInf},
                    {"-1e-400", 0},
                    {"1e-99999999999999999999", 0},
                    {"0e99999", 0},
                    {"0." + std::string(299, '0') + "1e310", 1e10},
                    {"1" + std::string(300, '0') + "e-310", 1e-10},
                    {std::string(5000, '1') + "e-5000", 1.0 / 9},
                    {std::string(100000, '0') + "5", 5},
                    {"&H" + std::string(1000, 'F'), kInf},
                    {"&H" + std::string(100, '0') + "FFFF", 65535},
                    {"&H10000000000000001", 18446744073709551617.0}});
}

TEST(HasLeadingNumber, TellsZeroFromNoNumber) {
    for (const char* text : {"0", " 0", "-0", "+7", ".5", "-.5", "1e", "&H0", "&o7", "1 2", "5abc"})
        EXPECT_TRUE(HasLeadingNumber(text)) << text;
    for (const char* text : {"", " ", "x", ".", "-", "+.", "&H", "&HG", "&O8", "&X1", "e5", "\r1"})
        EXPECT_FALSE(HasLeadingNumber(text)) << text;
}

// Whole numbers are plain digits at any size; fractions keep 15 significant digits.
TEST(FormatGeneral, WholeNumbersPlainAtAnySizeFractionsToFifteenDigits) {
    const std::pair<double, std::string> cases[] = {
        {-0.0, "0"},
        {-999999999999999, "-999999999999999"},
        {-3, "-3"},
        {123456789012345678.0, "123456789012345680"},
        {1000000, "1000000"},
        {999999999999999.9, "1000000000000000"},
        {1e15 + 0.5, "1000000000000000"},
        {-0.5, "-0.5"},
        {1234.5678, "1234.5678"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {0.00012, "0.00012"},
        {-2.0 / 3, "-0.666666666666667"},
        {0.00001, "1E-05"},
        {-1.25e-7, "-1.25E-07"},
        {1e15, "1000000000000000"},
        {-1.5e20, "-150000000000000000000"},
        {18446744073709551616.0, "18446744073709551616"},
        {1e-300, "1E-300"},
        {kInf, "1E+309"},
        {-kInf, "-1E+309"},
        {std::nan(""), "NaN"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatGeneral(value), text) << text;
    const std::string largest = FormatGeneral(DBL_MAX);
    EXPECT_EQ(largest.size(), 309u);
    EXPECT_EQ(largest.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(largest.substr(0, 17), "17976931348623157");
}

TEST(FormatGeneral, ReadsBackAsTheSameNumber) {
    for (double v : {-3.0, 404.0, 2147483647.0, -2147483648.0, 999999999999999.0, 1e15, 4e20, -7e-9,
                     2.5, 0.001, 123456789012345678.0, -DBL_MAX, kInf, -kInf})
        EXPECT_EQ(NumberFromText(FormatGeneral(v)), v) << FormatGeneral(v);
    EXPECT_EQ(NumberFromText(FormatGeneral(std::nan(""))), 0);
}

}  // namespace
}  // namespace vorlix
