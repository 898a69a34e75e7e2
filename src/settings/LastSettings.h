#pragma once
// The last settings: the option state saved when the main window closes and
// loaded when it opens, in section "LastSettings" of the settings store.
//
// Value texts: integers as decimal text, check-box switches "1"/"0", booleans
// "True"/"False" (read back also from numeric text, 0 = false), file names as
// they are.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionState.h"
#include "settings/SettingsStore.h"

namespace quorlix {

// "True"/"False" in any case, or a whole number (0 = false, else true).
std::optional<bool> parseBoolText(std::string_view text);
inline std::string boolText(bool on)
{
    return on ? "True" : "False";
}

// Reads every key with its default into state. A stored value that does not
// convert to its type is replaced by that key's default and loading goes on;
// the keys so skipped are returned in reading order.
//
// Reading order: PasswordAmount, MinTotalSpaces, MaxTotalSpaces, Dups,
// SideCheck, SeqCheck, Counter, SortPass, DictionaryFile, DictionaryCheck,
// DictionarySearch, StrongPasswords, Hyphen<i> and BlankSpaces<i> for i 1..59,
// XChar<33..126>, Rules<1..60>, PasswordType, PronounceableType (True selects
// Pronounceable whatever PasswordType says), the eleven Random Words keys and
// TypeCase (the word case: 0 lower, 1 upper, 2 capitalised, 3 alternating,
// 4 random), then the Pronounceable keys PronTotalPasswords, PronMinLength,
// PronMaxLength, PronCapital (0 none, 1 first, 2 random), PronDigits,
// PronSymbol and PronSeparator (0 none, 1 hyphen, 2 blank, 3 dot). Keys an
// older program did not write take their defaults.
//
// A switch counts as on only when its value is exactly 1; pool flags, marks and
// rules keep the number stored (an "XChar65" of 2 loads as 2, unavailable).
// The pool is recounted at the end.
std::vector<std::string> loadLastSettings(SettingsStore& store, OptionState& state);

// Writes the thirteen scalar keys and the 272 indexed keys (BlankSpaces<i>
// before Hyphen<i>, then XChar, then Rules; PasswordType and
// PronounceableType last). The Random Words keys are written by the Random
// Words settings window, the Pronounceable ones by its own, not here.
void saveLastSettings(SettingsStore& store, const OptionState& state);

// The Pronounceable keys, as Accept in the Pronounceable settings window writes them.
void savePronounceableSettings(SettingsStore& store, const PronounceableSettings& settings);

} // namespace quorlix
