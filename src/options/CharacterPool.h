#pragma once
// The pool of the 94 printable ASCII characters (codes 33 to 126) with an
// availability flag each, and the four character classes.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorlix {

enum class CharClass : std::int16_t { Any = 0, Number = 1, Lowercase = 2, Uppercase = 3, Special = 4 };

inline constexpr int kFirstCode = 33;
inline constexpr int kLastCode = 126;

// The seven code ranges in pool order: numbers, the four special ranges, lower, upper.
struct CodeRange {
    int first;
    int last;
};
inline constexpr std::array<CodeRange, 7> kPoolOrder{{{48, 57}, {33, 47}, {58, 64}, {91, 96}, {123, 126}, {97, 122}, {65, 90}}};

constexpr CharClass classOf(int code)
{
    if (code >= 48 && code <= 57)
        return CharClass::Number;
    if (code >= 97 && code <= 122)
        return CharClass::Lowercase;
    if (code >= 65 && code <= 90)
        return CharClass::Uppercase;
    return CharClass::Special; // 33-47, 58-64, 91-96, 123-126
}

// Heading of a class in the Characters window; also the names used in messages.
std::string_view className(CharClass c);

// The codes of a class in pool order (Special: 33-47, 58-64, 91-96, 123-126).
std::vector<int> members(CharClass c);

class CharacterPool {
public:
    // Zeroed, as at process start; use defaultPool() for a fresh installation.
    CharacterPool() { m_flags.fill(0); }
    // Digits and both letter cases: 62 available characters.
    static CharacterPool defaultPool();

    // Only the value 1 counts as available; other stored values (a settings
    // store may hold them) count as unavailable but are kept as they are.
    bool isAvailable(int code) const { return code >= kFirstCode && code <= kLastCode && m_flags[code] == 1; }
    void setAvailable(int code, bool on) { setFlag(code, on ? 1 : 0); }
    std::int16_t flag(int code) const { return m_flags[code]; }
    void setFlag(int code, std::int16_t value)
    {
        if (code >= kFirstCode && code <= kLastCode)
            m_flags[code] = value;
    }

    // The count as last recomputed by recount() (the readout refresh does it).
    std::int16_t availableCount() const { return m_availableCount; }
    std::int16_t recount();

    int availableInClass(CharClass c) const;
    bool classAvailable(CharClass c) const { return availableInClass(c) > 0; }

    // Makes "'" and "|" unavailable; returns true when either was available
    // (the caller then shows the message and refreshes the readout).
    bool deactivateWholeWordUnsafe();

    bool operator==(const CharacterPool&) const = default;

private:
    std::array<std::int16_t, 127> m_flags;
    std::int16_t m_availableCount = 0;
};

} // namespace quorlix
