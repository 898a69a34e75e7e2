// What the pronounceable settings window takes as typed, and the refusal the
// user reads for what it can't take.

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "engine/PronounceableForm.h"

namespace quorlix
{
namespace
{

struct FormCase {
    const char* name;
    const char* total;
    const char* min;
    const char* max;
    const char* digits;
    const char* refusal; // empty: taken
};

class PronounceableFormRead : public ::testing::TestWithParam<FormCase>
{
};

TEST_P(PronounceableFormRead, TakesWhatCanRunAndSaysWhatCannot)
{
    const FormCase& c = GetParam();
    PronounceableForm form;
    form.totalPasswords = c.total;
    form.minLength = c.min;
    form.maxLength = c.max;
    form.digits = c.digits;
    const auto read = readPronounceableForm(form);
    if (*c.refusal) {
        ASSERT_TRUE(std::holds_alternative<std::string>(read));
        EXPECT_EQ(std::get<std::string>(read), c.refusal);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<PronounceableSettings>(read)) << std::get<std::string>(read);
    const auto& s = std::get<PronounceableSettings>(read);
    EXPECT_EQ(std::to_string(s.totalPasswords), c.total);
    EXPECT_EQ(std::to_string(s.minLength), c.min);
    EXPECT_EQ(std::to_string(s.maxLength), c.max);
    EXPECT_EQ(std::to_string(s.digitCount), c.digits);
}

constexpr const char* kTotal = "Total Passwords must be a whole number from 1 to 10,000,000.";
constexpr const char* kLength = "Total Characters Min and Max must be whole numbers from 1 to 60, Min not above Max.";
constexpr const char* kDigits = "Digits must be a whole number from 0 to 9.";

INSTANTIATE_TEST_SUITE_P(
    Fields, PronounceableFormRead,
    ::testing::Values(FormCase{"Smallest", "1", "2", "2", "0", ""},
                      FormCase{"Largest", "10000000", "60", "60", "9", ""},
                      FormCase{"MinEqualsMax", "25", "8", "8", "2", ""},
                      FormCase{"NoPasswords", "0", "8", "12", "2", kTotal},
                      FormCase{"OneOverTenMillion", "10000001", "8", "12", "2", kTotal},
                      FormCase{"EmptyTotal", "", "8", "12", "2", kTotal},
                      FormCase{"LettersInTotal", "1e3", "8", "12", "2", kTotal},
                      FormCase{"ZeroMin", "5", "0", "12", "2", kLength},
                      FormCase{"MaxOver60", "5", "8", "61", "2", kLength},
                      FormCase{"MinAboveMax", "5", "13", "12", "2", kLength},
                      FormCase{"EmptyMax", "5", "8", "", "2", kLength},
                      FormCase{"TenDigits", "5", "8", "12", "10", kDigits},
                      FormCase{"NegativeDigits", "5", "8", "12", "-1", kDigits},
                      FormCase{"EmptyDigits", "5", "8", "12", "", kDigits},
                      // The first field at fault is the one named.
                      FormCase{"AllWrong", "0", "0", "0", "99", kTotal},
                      FormCase{"LengthAndDigitsWrong", "5", "9", "3", "99", kLength}),
    [](const ::testing::TestParamInfo<FormCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorlix
