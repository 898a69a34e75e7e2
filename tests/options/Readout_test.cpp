#include "options/Readout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorlix {
namespace {

TEST(ReadoutTest, FormatDoubleMatchesStandardTextForm)
{
    // Rounding to 15 digits may carry into the next power of ten.
    const std::vector<std::pair<double, const char*>> rows{
        {0, "0"}, {0.1 + 0.2, "0.3"}, {0.0000123, "1.23E-05"}, {999999999999999.0, "999999999999999"},
        {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"}, {9999999999999999.0, "1E+16"},
        {-1.5e-7, "-1.5E-07"}};
    for (auto [value, text] : rows)
        EXPECT_EQ(formatDouble(value), text) << text;
}

TEST(ReadoutTest, FormatDecimalKeepsFifteenDigitsThenZeros)
{
    const std::vector<std::pair<double, const char*>> rows{
        {0, "0"}, {2.5, "2.5"}, {std::pow(2.0, 60), "1152921504606850000"},
        {7.92281625142643e28, "79228162514264300000000000000"}, {7.92281625142644e28, nullptr}};
    for (auto [value, text] : rows) {
        const auto got = formatDecimal28(value);
        EXPECT_EQ(got, text ? std::optional<std::string>(text) : std::nullopt) << (text ? text : "none");
    }
}

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
    ::testing::Values(ReadoutRow{62, 10, 10, "1 in 839299365868340000 Min\r\n1 in 839299365868340000 Max"},
                      ReadoutRow{94, 1, 60, "1 in 94 Min\r\n1 in 2.44158144585119E+118 Max"},
                      ReadoutRow{0, 5, 8, "1 in 0 Min\r\n1 in 0 Max"}, ReadoutRow{0, 0, 0, "1 in 1 Min\r\n1 in 1 Max"},
                      // Exactly at the threshold the decimal form still applies.
                      ReadoutRow{94, 14, 14,
                                 "1 in 4205231901698740000000000000 Min\r\n1 in "
                                 "4205231901698740000000000000 Max"},
                      // Both lines switch to exponent form together, small ones too.
                      ReadoutRow{94, 2, 15, "1 in 8836 Min\r\n1 in 3.95291798759682E+29 Max"},
                      // Minimum above the maximum and beyond the decimal range: no text.
                      ReadoutRow{94, 20, 2, ""}));

TEST(ReadoutTest, RefreshRecountsThePoolBeforeComputing)
{
    CharacterPool pool = CharacterPool::defaultPool();
    pool.setAvailable('!', true);
    pool.setFlag('A', 2); // not 1: counts as unavailable
    ReadoutText text = refreshReadout(pool, RunValues{25, 1, 2});
    EXPECT_EQ(pool.availableCount(), 62);
    EXPECT_EQ(text.charactersToUse, "62");
    EXPECT_EQ(text.probability, "1 in 62 Min\r\n1 in 3844 Max");
    CharacterPool empty;
    text = refreshReadout(empty, RunValues{25, 3, 4});
    EXPECT_EQ(text.charactersToUse, "0");
    EXPECT_EQ(text.probability, "1 in 0 Min\r\n1 in 0 Max");
}

} // namespace
} // namespace quorlix
