#pragma once
// The logic of the "Random Words - Settings" window over a plain record of its
// controls, so the GUI only copies control values in and out.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/RunSurface.h"
#include "options/WordSettings.h"

namespace quorlix {

inline constexpr std::string_view kWordSettingsInstructions =
    "Select the dictionary file you wish to be used and total number of passwords you wish to create. In addtion, "
    "select whether you wish multiple words to be sepeated by the character of your choice. If no dictionary files "
    "are listed, this means that they need to be downloaded. Select the 'DOWNLOAD DICTIONARIES' button below.";
inline constexpr std::string_view kWordSettingsNote =
    "NOTE: Only the options listed in this window apply to Random Words. The options listed on the main form apply "
    "to just Random Characters.";
inline constexpr std::string_view kTooManyPasswordsText = "No more than 10,000,000 passwords may be created at once.";
inline constexpr std::string_view kTooManyWordsText = "No more than 10 words are allowed per password.";
inline constexpr std::string_view kTooFewWordsText = "At least one word is required per password.";
inline constexpr std::string_view kMinWordLengthText =
    "Settings not accepted. Word Length must be at least 4 charaters.";
inline constexpr std::string_view kMaxWordLengthText =
    "Settings not accepted. Maximum Word Length Must be Greater or Equal to the Minimum Word Length.";

// The window's controls.
struct WordSettingsForm {
    std::vector<std::string> dictionaryList; // cboDictionaryFile entries
    int selectedDictionary = -1;             // -1: no entry selected
    std::string totalPasswords;              // txtQTYPasswords
    std::string quantity;                    // txtQtyWords
    std::string separator;                   // txtCharSep
    bool separatorEnabled = true;            // txtCharSep and Label4
    bool duplicationCheck = false;           // chkDups
    bool randomNumbers = false;              // chkRandomNumbers ("Add")
    std::string digits = "4";                // txtNums
    bool digitsEnabled = false;
    bool wordLengthLimit = false;            // chkWordLengths
    std::string minLength = "4";             // txtWordLengthMin
    std::string maxLength = "9";             // txtWordLengthMax
    bool lengthBoxesEnabled = false;
    bool randomUppercase = false;            // chkUcase
    bool randomUppercaseEnabled = true;      // only lower-case words take the single random capital
    WordCase wordCase = WordCase::Lower;     // cboWordCase
};

// Where Accept writes each field: section, key, value text.
using SettingWriter = std::function<void(std::string_view section, std::string_view key, std::string_view value)>;

// A SettingWriter over the settings store.
template <typename Store>
SettingWriter writerFor(Store& store)
{
    return [&store](std::string_view section, std::string_view key, std::string_view value) {
        store.set(section, key, value);
    };
}

// Opening: list, boxes and check boxes from the settings, and the dependent
// boxes enabled by the click rules. The digit and length boxes receive their
// values only when their check box is on; otherwise they keep the window's
// initial texts (those of a default WordSettings).
WordSettingsForm openWordSettingsForm(const WordSettings& settings, const std::vector<std::string>& available);

// Key filter of the total-passwords and quantity boxes: digits and Backspace.
bool acceptsNumericKey(char key);
// Total-passwords box changed: warns above 10,000,000 and keeps the text.
void totalPasswordsChanged(const WordSettingsForm& form, MessageBoxes& boxes);
// Quantity box changed: clamps to 1..10 with its messages, then enables the
// separator for 2 or more. Text that is not a number changes nothing.
void quantityChanged(WordSettingsForm& form, MessageBoxes& boxes);
void randomNumbersClicked(WordSettingsForm& form);
// The word case chosen: the random capital applies to lower-case words only.
void wordCaseChosen(WordSettingsForm& form);
void wordLengthsClicked(WordSettingsForm& form);

// Accept: refuses with its message (window stays open, returns false) or stores
// every field into settings and through write in the window's order (section
// "LastSettings") and returns true (window closes). A box that does not hold a
// number keeps the field's previous value, except the length boxes, whose
// non-numbers are refused as below 4 / below the minimum.
bool acceptWordSettings(const WordSettingsForm& form, WordSettings& settings, MessageBoxes& boxes,
                        const SettingWriter& write);

// Leading decimal digits of text as a number (blanks before them allowed);
// nullopt when text starts with no digit.
std::optional<long long> numberInBox(std::string_view text);

} // namespace quorlix
