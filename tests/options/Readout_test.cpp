#include "options/Readout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorlix {
namespace {

struct DoubleRow {
    double value;
    const char* text;
};

class FormatDoubleTest : public ::testing::TestWithParam<DoubleRow> {};

TEST_P(FormatDoubleTest, MatchesStandardTextForm)
{
    EXPECT_EQ(formatDouble(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Magnitudes, FormatDoubleTest,
                         ::testing::Values(DoubleRow{0, "0"}, DoubleRow{1, "1"}, DoubleRow{94, "94"},
                                           DoubleRow{100, "100"}, DoubleRow{-3, "-3"}, DoubleRow{0.5, "0.5"},
                                           DoubleRow{0.1 + 0.2, "0.3"}, DoubleRow{0.0001, "0.0001"},
                                           DoubleRow{0.00001, "1E-05"}, DoubleRow{0.000123, "0.000123"},
                                           DoubleRow{0.0000123, "1.23E-05"},
                                           DoubleRow{123456789012345.0, "123456789012345"},
                                           DoubleRow{999999999999999.0, "999999999999999"}, DoubleRow{1e15, "1E+15"},
                                           DoubleRow{1234567890123456.0, "1.23456789012346E+15"},
                                           // Rounding to 15 digits carries into the next power of ten.
                                           DoubleRow{9999999999999999.0, "1E+16"}, DoubleRow{2.5e20, "2.5E+20"},
                                           DoubleRow{std::pow(94.0, 60), "2.44158144585119E+118"},
                                           DoubleRow{std::pow(62.0, 20), "7.04423425546998E+35"},
                                           DoubleRow{std::pow(94.0, 15), "3.95291798759682E+29"},
                                           DoubleRow{1e100, "1E+100"}, DoubleRow{-1.5e-7, "-1.5E-07"}));

struct DecimalRow {
    double value;
    const char* text; // nullptr: does not convert
};

class FormatDecimalTest : public ::testing::TestWithParam<DecimalRow> {};

TEST_P(FormatDecimalTest, KeepsFifteenDigitsThenZeros)
{
    const auto text = formatDecimal28(GetParam().value);
    if (GetParam().text == nullptr) {
        EXPECT_FALSE(text.has_value()) << *text;
    } else {
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(Magnitudes, FormatDecimalTest,
                         ::testing::Values(DecimalRow{0, "0"}, DecimalRow{1, "1"}, DecimalRow{100, "100"},
                                           DecimalRow{std::pow(62.0, 10), "839299365868340000"},
                                           DecimalRow{std::pow(2.0, 60), "1152921504606850000"},
                                           DecimalRow{123456789012345.0, "123456789012345"},
                                           DecimalRow{std::pow(94.0, 14), "4205231901698740000000000000"},
                                           DecimalRow{7.92281625142643e28, "79228162514264300000000000000"},
                                           DecimalRow{7.92281625142644e28, nullptr},
                                           DecimalRow{std::pow(94.0, 60), nullptr}, DecimalRow{2.5, "2.5"}));

struct ReadoutRow {
    int count;
    int minLength;
    int maxLength;
    const char* text;
};

class ProbabilityTextTest : public ::testing::TestWithParam<ReadoutRow> {};

TEST_P(ProbabilityTextTest, BuildsBothLines)
{
    const auto& row = GetParam();
    EXPECT_EQ(probabilityText(row.count, row.minLength, row.maxLength), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ProbabilityTextTest,
    ::testing::Values(ReadoutRow{10, 2, 2, "1 in 100 Min\r\n1 in 100 Max"},
                      ReadoutRow{62, 10, 10, "1 in 839299365868340000 Min\r\n1 in 839299365868340000 Max"},
                      ReadoutRow{94, 1, 60, "1 in 94 Min\r\n1 in 2.44158144585119E+118 Max"},
                      ReadoutRow{0, 5, 8, "1 in 0 Min\r\n1 in 0 Max"}, ReadoutRow{0, 0, 0, "1 in 1 Min\r\n1 in 1 Max"},
                      ReadoutRow{62, 10, 0, "1 in 839299365868340000 Min\r\n1 in 1 Max"},
                      // Exactly at the threshold the decimal form still applies.
                      ReadoutRow{94, 14, 14,
                                 "1 in 4205231901698740000000000000 Min\r\n1 in "
                                 "4205231901698740000000000000 Max"},
                      ReadoutRow{94, 15, 15, "1 in 3.95291798759682E+29 Min\r\n1 in 3.95291798759682E+29 Max"},
                      // Both lines switch to exponent form together, small ones too.
                      ReadoutRow{94, 2, 15, "1 in 8836 Min\r\n1 in 3.95291798759682E+29 Max"},
                      // Minimum above the maximum and beyond the decimal range: no text.
                      ReadoutRow{94, 20, 2, ""}));

TEST(RefreshReadoutTest, RecountsThePoolBeforeComputing)
{
    CharacterPool pool = CharacterPool::defaultPool();
    pool.setAvailable('!', true);
    pool.setFlag('A', 2); // not 1: counts as unavailable
    ASSERT_EQ(pool.availableCount(), 62);
    const ReadoutText text = refreshReadout(pool, RunValues{25, 1, 2});
    EXPECT_EQ(pool.availableCount(), 62);
    EXPECT_EQ(text.count, 62);
    EXPECT_EQ(text.charactersToUse, "62");
    EXPECT_EQ(text.probability, "1 in 62 Min\r\n1 in 3844 Max");
}

TEST(RefreshReadoutTest, EmptyPoolShowsZero)
{
    CharacterPool pool;
    const ReadoutText text = refreshReadout(pool, RunValues{25, 3, 4});
    EXPECT_EQ(text.charactersToUse, "0");
    EXPECT_EQ(text.probability, "1 in 0 Min\r\n1 in 0 Max");
}

} // namespace
} // namespace quorlix
