#include "options/RunFields.h"

#include <gtest/gtest.h>

namespace quorlix {
namespace {

struct ParseRow {
    const char* text;
    std::optional<std::int32_t> int32;
    std::optional<std::int16_t> int16;
};

class ParseTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseTest, AcceptsWholeNumbersInRange)
{
    EXPECT_EQ(parseInt32(GetParam().text), GetParam().int32);
    EXPECT_EQ(parseInt16(GetParam().text), GetParam().int16);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseTest,
                         ::testing::Values(ParseRow{"25", 25, 25}, ParseRow{"", {}, {}}, ParseRow{"  7 ", 7, 7},
                                           ParseRow{"-3", -3, -3}, ParseRow{"+4", 4, 4}, ParseRow{"1a", {}, {}},
                                           ParseRow{"abc", {}, {}}, ParseRow{"1.5", {}, {}},
                                           ParseRow{"32767", 32767, 32767}, ParseRow{"32768", 32768, {}},
                                           ParseRow{"2147483647", 2147483647, {}}, ParseRow{"2147483648", {}, {}},
                                           ParseRow{"-", {}, {}}));

TEST(FieldKeyTest, OnlyDigitsAndBackspace)
{
    std::string accepted;
    for (int key = 0; key < 256; ++key)
        if (fieldAcceptsKey(key))
            accepted.push_back(static_cast<char>(key));
    EXPECT_EQ(accepted, "\b0123456789");
}

enum class Field { Total, Min, Max };

struct ChangeRow {
    const char* name;
    RunValues before;
    Field field;
    const char* text;
    RunValues after;
    bool parsed;
    bool clear;
    std::optional<std::string> status;
    bool execute;
    std::optional<bool> hyphens;
};

class FieldChangeTest : public ::testing::TestWithParam<ChangeRow> {};

TEST_P(FieldChangeTest, StoresAndReportsWhatTheWindowDoes)
{
    const auto& row = GetParam();
    RunValues values = row.before;
    FieldChange change;
    switch (row.field) {
    case Field::Total:
        change = changeTotalPasswords(values, row.text);
        break;
    case Field::Min:
        change = changeMinLength(values, row.text);
        break;
    case Field::Max:
        change = changeMaxLength(values, row.text);
        break;
    }
    EXPECT_EQ(values, row.after);
    EXPECT_EQ(change.parsed, row.parsed);
    EXPECT_EQ(change.clearField, row.clear);
    EXPECT_EQ(change.status, row.status);
    if (row.parsed) {
        EXPECT_EQ(change.executeEnabled, row.execute);
    }
    EXPECT_EQ(change.hyphensEnabled, row.hyphens);
    EXPECT_EQ(change.refreshReadout, row.parsed && row.field != Field::Total);
}

const std::string kTotalMsg = "Must be between 1-10000000 (10 Million)";
const std::string kLenMsg = "Number must be between 1-60";

INSTANTIATE_TEST_SUITE_P(
    Rules, FieldChangeTest,
    ::testing::Values(
        ChangeRow{"TotalPlain", {25, 10, 10}, Field::Total, "100", {100, 10, 10}, true, false, {}, true, {}},
        ChangeRow{"TotalEmptyKeepsValue", {25, 10, 10}, Field::Total, "", {25, 10, 10}, false, false, {}, false, {}},
        ChangeRow{"TotalZeroDisables", {25, 10, 10}, Field::Total, "0", {0, 10, 10}, true, false, {}, false, {}},
        ChangeRow{
            "TotalMaximum", {25, 10, 10}, Field::Total, "10000000", {10000000, 10, 10}, true, false, {}, true, {}},
        // The rejected amount stays stored; Execute stays enabled and the run refuses it later.
        ChangeRow{"TotalOverRange",
                  {25, 10, 10},
                  Field::Total,
                  "10000001",
                  {10000001, 10, 10},
                  true,
                  true,
                  kTotalMsg,
                  true,
                  {}},
        ChangeRow{"TotalNeedsMinimum", {25, 0, 10}, Field::Total, "5", {5, 0, 10}, true, false, {}, false, {}},
        ChangeRow{"MinOne", {25, 10, 10}, Field::Min, "1", {25, 1, 10}, true, false, {}, true, false},
        ChangeRow{"MinTwo", {25, 10, 10}, Field::Min, "2", {25, 2, 10}, true, false, {}, true, true},
        ChangeRow{"MinEmpty", {25, 10, 10}, Field::Min, "", {25, 10, 10}, false, false, {}, false, {}},
        ChangeRow{"MinZero", {25, 10, 10}, Field::Min, "0", {25, 0, 10}, true, false, {}, false, false},
        ChangeRow{"MinOverRange", {25, 10, 10}, Field::Min, "61", {25, 0, 10}, true, true, kLenMsg, false, true},
        ChangeRow{"MinSixty", {25, 10, 10}, Field::Min, "60", {25, 60, 10}, true, false, {}, true, true},
        ChangeRow{"MinNoPasswords", {0, 10, 10}, Field::Min, "5", {0, 5, 10}, true, false, {}, false, true},
        ChangeRow{"MaxOverRange", {25, 10, 10}, Field::Max, "61", {25, 10, 0}, true, true, kLenMsg, false, true},
        // Execute follows the value just stored, not the minimum.
        ChangeRow{"MaxDecidesExecute", {25, 0, 10}, Field::Max, "12", {25, 0, 12}, true, false, {}, true, true},
        ChangeRow{"MaxOne", {25, 10, 10}, Field::Max, "1", {25, 10, 1}, true, false, {}, true, false},
        ChangeRow{"MaxTooLongFor16Bits", {25, 10, 10}, Field::Max, "40000", {25, 10, 10}, false, false, {}, false, {}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorlix
