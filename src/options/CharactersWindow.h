#pragma once
// The working copy behind the Characters window: one check box per pool
// character, edited by the class buttons and written back only by Accept.

#include <array>
#include <string>
#include <string_view>

#include "options/CharacterPool.h"
#include "options/Readout.h"
#include "options/RunOptions.h"

namespace quorlix {

namespace characters_window {
inline constexpr std::string_view kCaption = "Characters";
inline constexpr std::string_view kHeading = "Available Character Set";
inline constexpr std::string_view kAll = "Al&l";
inline constexpr std::string_view kDefault = "&Default";
inline constexpr std::string_view kNoNumbers = "No &Numbers";
// Its access key is E: L is "Al&l"'s.
inline constexpr std::string_view kNoLowercase = "No L&etters (LC)";
inline constexpr std::string_view kNoUppercase = "No Letters (&UC)";
inline constexpr std::string_view kNoSpecial = "No  Special &Symbols";
inline constexpr std::string_view kAccept = "&Accept";
inline constexpr std::string_view kCancel = "&Cancel";
inline constexpr std::string_view kHelp = "&Help";
inline constexpr std::string_view kHelpTopic = "Characters";
} // namespace characters_window

// The 94 codes in pool order (digits, special symbols, lowercase, uppercase).
const std::array<int, 94>& poolOrderCodes();

class CharactersWorkingCopy {
public:
    // Opening the window: a box is checked when the pool flag is exactly 1.
    explicit CharactersWorkingCopy(const CharacterPool& pool);

    // A blank and the character (" A"); the ampersand doubled (" &&") so that
    // it is not taken as an access-key marker.
    static std::string boxCaption(int code);

    bool checked(int code) const { return code >= kFirstCode && code <= kLastCode && m_checked[code]; }
    void setChecked(int code, bool on);
    int checkedCount() const;

    void checkAll();       // "Al&l"
    void checkDefault();   // "&Default": all but l j i O 0 1, 88 left
    void clearNumbers();   // "No &Numbers"
    void clearLowercase(); // "No L&etters (LC)"
    void clearUppercase(); // "No Letters (&UC)"
    void clearSpecial();   // "No  Special &Symbols"

    // "&Accept": writes every box into the pool (1 or 0) and refreshes the
    // readout. "&Cancel" is simply dropping the working copy.
    ReadoutText accept(CharacterPool& pool, const RunValues& values) const;

private:
    void clearClass(CharClass c);
    std::array<bool, 127> m_checked{};
};

} // namespace quorlix
