#pragma once
// The working copy behind the Password Rules window: 60 rows "Position i" with
// a class choice each; rows beyond the maximum length are disabled, and Accept
// clears them.

#include <array>
#include <string>
#include <string_view>

#include "options/RunOptions.h"

namespace quorlix {

namespace rules_window {
inline constexpr std::string_view kCaption = "Password Rules";
inline constexpr std::string_view kAccept = "&Accept";
inline constexpr std::string_view kCancel = "&Cancel";
inline constexpr std::string_view kNoRules = "&No Rules";
inline constexpr std::string_view kHelp = "&Help";
inline constexpr std::string_view kHelpTopic = "Password Rules";
// Shown (exclamation icon) before the window opens when the maximum is below 2;
// the window opens anyway.
inline constexpr std::string_view kLengthWarning =
    "You must identify the total number of charaters prior to selecting 'Password Rules'";
// The list texts; list index = stored value.
inline constexpr std::array<std::string_view, 5> kChoices{"Any", "Number", "Lowercase Letter", "Uppercase Letter",
                                                          "Special Symbol"};
} // namespace rules_window

// The warning to show before opening, or empty.
std::string_view rulesOpenWarning(int maxLength);

class RulesWorkingCopy {
public:
    // Opening: each row selects its stored value; values outside 0..4 show "Any".
    RulesWorkingCopy(const PositionRules& rules, int maxLength);

    static std::string rowLabel(int position); // "Position 12"
    bool enabled(int position) const { return position >= 1 && position <= m_maxLength; }
    int selection(int position) const;
    std::string_view selectionText(int position) const { return rules_window::kChoices[selection(position)]; }
    // A choice in an enabled row; disabled rows and choices outside 0..4 are ignored.
    void select(int position, int choice);

    void noRules(); // "&No Rules": "Any" in all 60 rows

    // "&Accept": rows 1..max take their selection, rows beyond the maximum 0.
    // Returns the rules light: true (green) when a position 1..max holds a rule.
    bool accept(PositionRules& rules) const;

private:
    int m_maxLength;
    std::array<int, kMaxLength + 1> m_selection{};
};

} // namespace quorlix
