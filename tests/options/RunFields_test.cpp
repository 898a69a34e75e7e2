#include "options/RunFields.h"

#include <gtest/gtest.h>

namespace quorlix {
namespace {

TEST(RunFieldsTest, ParsesWholeNumbersInRange)
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
}

TEST(RunFieldsTest, KeysOnlyDigitsAndBackspace)
{
    std::string accepted;
    for (int key = 0; key < 256; ++key)
        if (fieldAcceptsKey(key))
            accepted.push_back(static_cast<char>(key));
    EXPECT_EQ(accepted, "\b0123456789");
}

using ChangeFn = FieldChange (*)(RunValues&, std::string_view);

struct ChangeRow {
    const char* name;
    RunValues before;
    ChangeFn change;
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
    const FieldChange change = row.change(values, row.text);
    EXPECT_EQ(values, row.after);
    EXPECT_EQ(change.parsed, row.parsed);
    EXPECT_EQ(change.clearField, row.clear);
    EXPECT_EQ(change.status, row.status);
    if (row.parsed) {
        EXPECT_EQ(change.executeEnabled, row.execute);
    }
    EXPECT_EQ(change.hyphensEnabled, row.hyphens);
    EXPECT_EQ(change.refreshReadout, row.parsed && row.change != &changeTotalPasswords);
}

const std::string kTotalMsg = "Must be between 1-10000000 (10 Million)";
const std::string kLenMsg = "Number must be between 1-60";
constexpr ChangeFn kTotal = &changeTotalPasswords;
constexpr ChangeFn kMin = &changeMinLength;
constexpr ChangeFn kMax = &changeMaxLength;

INSTANTIATE_TEST_SUITE_P(
    Rules, FieldChangeTest,
    ::testing::Values(
        ChangeRow{"TotalEmptyKeepsValue", {25, 10, 10}, kTotal, "", {25, 10, 10}, false, false, {}, false, {}},
        ChangeRow{"TotalZeroDisables", {25, 10, 10}, kTotal, "0", {0, 10, 10}, true, false, {}, false, {}},
        ChangeRow{"TotalMaximum", {25, 10, 10}, kTotal, "10000000", {10000000, 10, 10}, true, false, {}, true, {}},
        // The rejected amount stays stored; Execute stays enabled and the run refuses it later.
        ChangeRow{
            "TotalOverRange", {25, 10, 10}, kTotal, "10000001", {10000001, 10, 10}, true, true, kTotalMsg, true, {}},
        ChangeRow{"TotalNeedsMinimum", {25, 0, 10}, kTotal, "5", {5, 0, 10}, true, false, {}, false, {}},
        ChangeRow{"MinOne", {25, 10, 10}, kMin, "1", {25, 1, 10}, true, false, {}, true, false},
        ChangeRow{"MinSixty", {25, 10, 10}, kMin, "60", {25, 60, 10}, true, false, {}, true, true},
        ChangeRow{"MinOverRange", {25, 10, 10}, kMin, "61", {25, 0, 10}, true, true, kLenMsg, false, true},
        ChangeRow{"MinNoPasswords", {0, 10, 10}, kMin, "5", {0, 5, 10}, true, false, {}, false, true},
        ChangeRow{"MaxOverRange", {25, 10, 10}, kMax, "61", {25, 10, 0}, true, true, kLenMsg, false, true},
        // Execute follows the value just stored, not the minimum.
        ChangeRow{"MaxDecidesExecute", {25, 0, 10}, kMax, "12", {25, 0, 12}, true, false, {}, true, true},
        ChangeRow{"MaxTooLongFor16Bits", {25, 10, 10}, kMax, "40000", {25, 10, 10}, false, false, {}, false, {}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorlix
