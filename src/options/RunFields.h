#pragma once
// What a change of the three numeric fields of the main window ("Total
// Passwords", "Total Characters" Min and Max) does. Each function updates the
// run values and returns what the window must do with its controls, so the
// window itself only applies the result.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/RunOptions.h"

namespace quorlix {

inline constexpr std::string_view kTotalPasswordsRange = "Must be between 1-10000000 (10 Million)";
inline constexpr std::string_view kLengthRange = "Number must be between 1-60";

struct FieldChange {
    // False when the text did not parse: nothing was stored and the window
    // changes nothing (this is also what clearing a field leads to).
    bool parsed = false;
    bool clearField = false;           // empty the edited field
    std::optional<std::string> status; // new text of the status line, when set
    bool executeEnabled = false;       // Execute button and menu item
    // "H&yphens" menu item; set only by the two length fields.
    std::optional<bool> hyphensEnabled;
    // Rerun refreshReadout (the two length fields).
    bool refreshReadout = false;
};

// Key filter of the three fields: digits and Backspace (8) get through, every
// other key is dropped.
bool fieldAcceptsKey(int key);

// Whole numbers only: optional blanks around an optional sign and digits, and
// within the type's range. Anything else (empty text included) is nullopt.
std::optional<std::int32_t> parseInt32(std::string_view text);
std::optional<std::int16_t> parseInt16(std::string_view text);

// "Total Passwords". A value above 10,000,000 is kept in the run values (the
// run request refuses it later) but the field is cleared.
FieldChange changeTotalPasswords(RunValues& values, std::string_view text);
// Minimum and maximum total characters. A value above 60 clears the field and
// stores 0.
FieldChange changeMinLength(RunValues& values, std::string_view text);
FieldChange changeMaxLength(RunValues& values, std::string_view text);

} // namespace quorlix
