#include "options/Readout.h"
#include "options/RunFields.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorlix {
namespace {

TEST(ReadoutTest, NumberTexts)
{
    // Rounding to 15 digits may carry into the next power of ten.
    const std::vector<std::pair<double, const char*>> doubles{
        {0, "0"}, {0.1 + 0.2, "0.3"}, {0.0000123, "1.23E-05"}, {999999999999999.0, "999999999999999"},
        {1e15, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"}, {9999999999999999.0, "1E+16"},
        {-1.5e-7, "-1.5E-07"}};
    for (auto [value, text] : doubles)
        EXPECT_EQ(formatDouble(value), text) << text;
    // Fifteen digits, then zeros, up to the decimal range.
    const std::vector<std::pair<double, const char*>> decimals{
        {0, "0"}, {2.5, "2.5"}, {std::pow(2.0, 60), "1152921504606850000"},
        {7.92281625142643e28, "79228162514264300000000000000"}, {7.92281625142644e28, nullptr}};
    for (auto [value, text] : decimals)
        EXPECT_EQ(formatDecimal28(value), text ? std::optional<std::string>(text) : std::nullopt) << value;
}

TEST(ReadoutTest, ProbabilityTextBuildsBothLines)
{
    const std::vector<std::tuple<int, int, int, const char*>> rows{
        {62, 10, 10, "1 in 839299365868340000 Min\r\n1 in 839299365868340000 Max"},
        {94, 1, 60, "1 in 94 Min\r\n1 in 2.44158144585119E+118 Max"},
        {0, 5, 8, "1 in 0 Min\r\n1 in 0 Max"},
        {0, 0, 0, "1 in 1 Min\r\n1 in 1 Max"},
        // Exactly at the threshold the decimal form still applies.
        {94, 14, 14, "1 in 4205231901698740000000000000 Min\r\n1 in 4205231901698740000000000000 Max"},
        // Both lines switch to exponent form together, small ones too.
        {94, 2, 15, "1 in 8836 Min\r\n1 in 3.95291798759682E+29 Max"},
        // Minimum above the maximum and beyond the decimal range: no text.
        {94, 20, 2, ""}};
    for (auto [count, minLength, maxLength, text] : rows)
        EXPECT_EQ(probabilityText(count, minLength, maxLength), text) << count << " " << minLength << "-" << maxLength;
}

TEST(ReadoutTest, RefreshRecountsThePoolBeforeComputing)
{
    CharacterPool pool = CharacterPool::defaultPool();
    pool.setAvailable('!', true);
    pool.setFlag('A', 2); // not 1: counts as unavailable
    ReadoutText text = refreshReadout(pool, RunValues{25, 1, 2});
    EXPECT_EQ(pool.availableCount(), 62);
    EXPECT_EQ(text.charactersToUse, "62");
    EXPECT_EQ(text.probability, "1 in 62 Min\r\n1 in 3844 Max");
}

TEST(RunFieldsTest, ParsesWholeNumbersInRangeFromDigitKeys)
{
    struct Row {
        const char* text;
        std::optional<std::int32_t> int32;
        std::optional<std::int16_t> int16;
    };
    const std::vector<Row> rows{{"", {}, {}},           {"  7 ", 7, 7},  {"-3", -3, -3},          {"+4", 4, 4},
                                {"1a", {}, {}},         {"1.5", {}, {}}, {"32767", 32767, 32767}, {"32768", 32768, {}},
                                {"2147483648", {}, {}}, {"-", {}, {}}};
    for (const auto& row : rows) {
        EXPECT_EQ(parseInt32(row.text), row.int32) << row.text;
        EXPECT_EQ(parseInt16(row.text), row.int16) << row.text;
    }
    std::string accepted;
    for (int key = 0; key < 256; ++key)
        if (fieldAcceptsKey(key))
            accepted.push_back(static_cast<char>(key));
    EXPECT_EQ(accepted, "\b0123456789");
}

TEST(RunFieldsTest, ChangesStoreAndReportWhatTheWindowDoes)
{
    using ChangeFn = FieldChange (*)(RunValues&, std::string_view);
    struct Row {
        RunValues before;
        ChangeFn change;
        const char* text;
        RunValues after;
        bool parsed, clear;
        std::optional<std::string> status;
        bool execute;
        std::optional<bool> hyphens;
    };
    const std::string total = "Must be between 1-10000000 (10 Million)", length = "Number must be between 1-60";
    const ChangeFn kTotal = &changeTotalPasswords, kMin = &changeMinLength, kMax = &changeMaxLength;
    const std::vector<Row> rows{
        {{25, 10, 10}, kTotal, "", {25, 10, 10}, false, false, {}, false, {}}, // empty keeps the value
        {{25, 10, 10}, kTotal, "0", {0, 10, 10}, true, false, {}, false, {}},
        {{25, 10, 10}, kTotal, "10000000", {10000000, 10, 10}, true, false, {}, true, {}},
        // The rejected amount stays stored; Execute stays enabled and the run refuses it later.
        {{25, 10, 10}, kTotal, "10000001", {10000001, 10, 10}, true, true, total, true, {}},
        {{25, 0, 10}, kTotal, "5", {5, 0, 10}, true, false, {}, false, {}},
        {{25, 10, 10}, kMin, "1", {25, 1, 10}, true, false, {}, true, false},
        {{25, 10, 10}, kMin, "60", {25, 60, 10}, true, false, {}, true, true},
        {{25, 10, 10}, kMin, "61", {25, 0, 10}, true, true, length, false, true},
        {{0, 10, 10}, kMin, "5", {0, 5, 10}, true, false, {}, false, true},
        {{25, 10, 10}, kMax, "61", {25, 10, 0}, true, true, length, false, true},
        // Execute follows the value just stored, not the minimum.
        {{25, 0, 10}, kMax, "12", {25, 0, 12}, true, false, {}, true, true},
        {{25, 10, 10}, kMax, "40000", {25, 10, 10}, false, false, {}, false, {}}}; // too long for 16 bits
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        RunValues values = row.before;
        const FieldChange change = row.change(values, row.text);
        EXPECT_EQ(values, row.after);
        EXPECT_EQ(change.parsed, row.parsed);
        EXPECT_EQ(change.clearField, row.clear);
        EXPECT_EQ(change.status, row.status);
        if (row.parsed) {
            EXPECT_EQ(change.executeEnabled, row.execute);
        }
        EXPECT_EQ(change.hyphensEnabled, row.hyphens);
        EXPECT_EQ(change.refreshReadout, row.parsed && row.change != kTotal);
    }
}

} // namespace
} // namespace quorlix
