#pragma once
// The logic of the "Pronounceable - Settings" window and of the readouts the
// main window shows for the method, over plain texts, so the window only
// copies control values in and out.

#include <string>
#include <string_view>
#include <variant>

#include "options/PronounceableSettings.h"

namespace quorlix
{

inline constexpr std::string_view kPronounceableTotalText =
    "Total Passwords must be a whole number from 1 to 10,000,000.";
inline constexpr std::string_view kPronounceableLengthText =
    "Total Characters Min and Max must be whole numbers from 1 to 60, Min not above Max.";
inline constexpr std::string_view kPronounceableDigitsText = "Digits must be a whole number from 0 to 9.";

// The window's controls.
struct PronounceableForm {
    std::string totalPasswords; // txtPronTotal
    std::string minLength;      // txtPronMin
    std::string maxLength;      // txtPronMax
    CapitalStyle capital = CapitalStyle::First;              // cboCapital
    std::string digits;                                      // txtPronDigits
    bool symbol = false;                                     // chkSymbol
    SyllableSeparator separator = SyllableSeparator::Hyphen; // cboSeparator
};

PronounceableForm pronounceableForm(const PronounceableSettings& settings);

// What Accept stores, or the text it refuses with (the window stays open):
// the amount, then the lengths, the digits, and lengths no password fits.
std::variant<PronounceableSettings, std::string> readPronounceableForm(const PronounceableForm& form);

// "Possible: 4.55E+18, 62.0 bits" for the window and the main window; the
// reason when no password fits.
std::string pronounceableSpaceText(const PronounceableSettings& settings);
// The probability readout: "1 in <passwords of the shortest length> Min" CR LF
// "1 in <those of the longest> Max", exact up to 15 digits.
std::string pronounceableProbabilityText(const PronounceableSettings& settings);

} // namespace quorlix
