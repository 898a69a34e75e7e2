#pragma once
// The texts a run shows, gathered so each is spelled once. They are the
// program's own wording and are kept exactly, odd spellings and blanks
// included: users and their scripts know them.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorlix::texts
{

// Readouts.
inline constexpr std::string_view kCounterOff = "Counter Off";
inline constexpr std::string_view kSortedHeading = " Generated Passwords - Sorted";
inline constexpr std::string_view kUnsortedHeading = " Generated Passwords - Unsorted";
inline constexpr std::string_view kPlainHeading = "Generated Passwords";
inline constexpr std::string_view kCalculating = "Calculating...";
inline constexpr std::string_view kIdleCountdown = "0:00:00";
inline constexpr std::string_view kCountdownDeactivated = "Deactivated";
inline constexpr std::string_view kProcessing = "Processing.....Please Wait";
inline constexpr std::string_view kComplete = "Complete";
inline constexpr std::string_view kUpdatingList = "Updating List....Please Wait";
inline constexpr std::string_view kStoppedByUser = "Stopped by User";
inline constexpr std::string_view kStoppedByUserMultiFile = "Stopped By User";
inline constexpr std::string_view kWritingToFile = "Writing to File: ";
inline constexpr std::string_view kSortingFile = "Sorting File: ";

// Refusals of Execute, in the order they are tested.
inline constexpr std::string_view kMinAboveMax =
    "Maximum 'Total Characters' number must be greater than minimum number";
inline constexpr std::string_view kNothingRequested = " Must request a password amount/number of characters";
inline constexpr std::string_view kAmountRange = " Password amount must be between 1 and 10,000,000 (10 Million)";
inline constexpr std::string_view kLengthRange = " Amount of characters must be between 1 (min) and 60 (max)";
inline constexpr std::string_view kStrongNeedsSix =
    "A minimum of 6 characters is required when the 'Strong Passwords' option is selected. Please type in 6 or "
    "greater in the 'Total Characters' Min/Max fields or disable the Strong Passwords requirement.";
inline constexpr std::string_view kHyphenBeyondLength = " Hyphen requested beyond the number of characters requested.";
inline constexpr std::string_view kBlankBeyondLength =
    " Blank Spaces requested beyond the number of characters requested.";
inline constexpr std::string_view kStrongPairTail =
    " are deactivated while the Strong Passwords are activated. Strong Passwords CANNOT be created unless 3 out the "
    "four character types are available for selection. Please make one or both of these character types availabe "
    "from the 'Characters' menu item or deactivate the Strong Passwords option below.";
// "Position " + p + one of these, by rule class 1..4.
inline constexpr std::string_view kRuleNeedsNumber =
    ", from the 'Password Rules' menu requires only numbers. However, no numbers have been selected from the "
    "'Characters' menu. Either make atleast one number available or do not require numbers as a rule.";
inline constexpr std::string_view kRuleNeedsLowercase =
    ", from the 'Password Rules' menu requires only lowercase letters. However, no lowercase letters have been "
    "selected from the 'Characters' menu. Either make atleast one lowercase letter available or do not require "
    "lowercase letters as a rule.";
inline constexpr std::string_view kRuleNeedsUppercase =
    ", from the 'Password Rules' menu requires only uppercase letters. However, no uppercase letters have been "
    "selected from the 'Characters' menu. Either make atleast one uppercase letter available or do not require "
    "uppercase letters as a rule.";
inline constexpr std::string_view kRuleNeedsSpecial =
    ", from the 'Password Rules' menu requires only special symbols. However, no special symbols have been selected "
    "from the 'Characters' menu. Either make atleast one special symbol available or do not require special symbols "
    "as a rule.";

// Pronounceable refusals.
inline constexpr std::string_view kPronounceableDigitsRange = " Digits must be between 0 and 9";
// No password of the language has a length between min and max.
inline std::string noPronounceableLength(int min, int max, int shortest)
{
    const std::string lengths =
        min == max ? std::to_string(min) : "from " + std::to_string(min) + " to " + std::to_string(max);
    const char* unit = min == max && min == 1 ? " character" : " characters";
    return "No pronounceable password has " + lengths + unit + " with these settings: the shortest has " +
           std::to_string(shortest) +
           " (a syllable of two letters, the digits and the symbol). Raise the maximum to " +
           std::to_string(shortest) + " or more.";
}

// More passwords asked for, with the duplication check on, than the settings
// can make: the run could never finish.
inline std::string tooFewPossible(std::int64_t requested, std::uint64_t possible)
{
    const std::string most = std::to_string(possible);
    return "Cannot make " + std::to_string(requested) + " different passwords: the current settings allow at most " +
           most + " different passwords, and the duplication check allows no repeats. Request " + most +
           " or fewer, allow more characters, words or lengths, or switch off the duplication check.";
}
inline constexpr std::string_view kTooFewPossibleStart = "Cannot make ";

// Notices that let the run go on.
inline constexpr std::string_view kWholeWordDeactivated =
    "The following Special Symbols have been deactivated:\r\n\r\n'\r\n|\r\n\r\nThese symbols cause errors when the "
    "Whole Word Dictionary check is activated.";
inline constexpr std::string_view kOnlyTextSorts =
    "Because Multi-File passwords are written directly to the disk as they are created, only text (.TXT) file "
    "formats can be sorted.";

// Ends of a run.
inline constexpr std::string_view kRulesMismatchError =
    "Error: Cannot continue. Please check that the characters you have selected to make available is appropriate for "
    "the password rules which have been applied. This often occurs when you make all characters of a certain type "
    "unavailable but you require that character type to be used at a password position within the password rules. "
    "This is a mismatch. Either allow at least one character of that type to be used or do not require that "
    "character type as a password rule.";
// Checks that reject every candidate (kRejectionsInARow in a row and more).
inline constexpr std::string_view kEndlessRejections =
    "Error: Cannot continue. Every password drawn for a long stretch was rejected by the checks that are switched "
    "on, so these settings cannot make the passwords requested. The passwords made so far are kept. Make more "
    "characters, words or lengths available, or switch off some of the checks.";
inline constexpr std::string_view kMultiFileError =
    " Error Occured...Results may be less than requested. Please Investigate Possible Causes:\r\n\r\n     - Too many "
    "passwords requested for the amount of characters requested.\r\n     - Out of Memory (lower amount).\r\n     - "
    "Invalid characters used (i.e letters not numbers).";

} // namespace quorlix::texts
