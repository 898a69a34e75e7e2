#pragma once
// Every option of the Pronounceable method. Changed by Accept in its settings
// window, by the last-settings load and by opening a settings file; read by
// the pronounceable runs when they start. The duplication, dictionary, sort
// and counter switches of the main window apply to it as well.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorlix {

// Which letter is a capital: none, the first letter of the password, or one
// letter at a random place.
enum class CapitalStyle : std::int16_t { None = 0, First = 1, Random = 2 };
// What stands between the parts of a password (syllables, the digits, the symbol).
enum class SyllableSeparator : std::int16_t { None = 0, Hyphen = 1, Blank = 2, Dot = 3 };

inline constexpr int kPronounceableMostDigits = 9;

struct PronounceableSettings {
    std::int32_t totalPasswords = 25;
    // Generated characters (letters, digits, symbol), separators not counted.
    std::int16_t minLength = 15;
    std::int16_t maxLength = 17;
    CapitalStyle capital = CapitalStyle::First;
    std::int16_t digitCount = 2; // 0 to kPronounceableMostDigits, one group at a syllable boundary
    bool symbol = false;         // one symbol at a syllable boundary
    SyllableSeparator separator = SyllableSeparator::Hyphen;

    bool operator==(const PronounceableSettings&) const = default;
};

// The character a separator puts between parts; '\0' for none.
inline char separatorCharacter(SyllableSeparator s)
{
    switch (s) {
    case SyllableSeparator::Hyphen:
        return '-';
    case SyllableSeparator::Blank:
        return ' ';
    case SyllableSeparator::Dot:
        return '.';
    default:
        return '\0';
    }
}

// Names as the command line and the help use them.
inline std::string_view capitalName(CapitalStyle c)
{
    return c == CapitalStyle::First ? "first" : c == CapitalStyle::Random ? "random" : "none";
}
inline std::optional<CapitalStyle> capitalFromName(std::string_view name)
{
    if (name == "none")
        return CapitalStyle::None;
    if (name == "first")
        return CapitalStyle::First;
    if (name == "random")
        return CapitalStyle::Random;
    return std::nullopt;
}
inline std::string_view separatorName(SyllableSeparator s)
{
    switch (s) {
    case SyllableSeparator::Hyphen:
        return "hyphen";
    case SyllableSeparator::Blank:
        return "blank";
    case SyllableSeparator::Dot:
        return "dot";
    default:
        return "none";
    }
}
inline std::optional<SyllableSeparator> separatorFromName(std::string_view name)
{
    if (name == "none")
        return SyllableSeparator::None;
    if (name == "hyphen")
        return SyllableSeparator::Hyphen;
    if (name == "blank")
        return SyllableSeparator::Blank;
    if (name == "dot")
        return SyllableSeparator::Dot;
    return std::nullopt;
}
// Stored codes (settings keys and settings-file lines) back to the enums;
// nullopt for a code no version wrote.
inline std::optional<CapitalStyle> capitalFromCode(long long code)
{
    if (code < 0 || code > 2)
        return std::nullopt;
    return static_cast<CapitalStyle>(code);
}
inline std::optional<SyllableSeparator> separatorFromCode(long long code)
{
    if (code < 0 || code > 3)
        return std::nullopt;
    return static_cast<SyllableSeparator>(code);
}

} // namespace quorlix
