#pragma once
// The option state a Random Characters run reads: separators, position rules,
// the three run values and the check switches.

#include <array>
#include <cstdint>
#include <string>

#include "options/CharacterPool.h"

namespace quorlix {

inline constexpr int kMaxLength = 60;
inline constexpr std::int32_t kMaxPasswords = 10'000'000;

// Hyphen and blank-space marks, indexes 0..60; a mark at i puts its separator
// after the i-th generated character. Only 1..59 are edited and stored.
struct InsertSettings {
    std::array<std::int16_t, 61> hyphen{};
    std::array<std::int16_t, 61> blank{};
    bool editBlanks = false; // which set the shared window edits

    bool operator==(const InsertSettings&) const = default;
};

// A class code 0..4 per position 1..60 (0 = Any); index 0 stays 0.
struct PositionRules {
    std::array<std::int16_t, 61> rule{};

    // Rules are active when a position 1..maxLength holds a non-zero value.
    bool active(int maxLength) const
    {
        for (int p = 1; p <= maxLength && p <= kMaxLength; ++p)
            if (rule[p] != 0)
                return true;
        return false;
    }
    bool operator==(const PositionRules&) const = default;
};

// The three numeric fields of the main window.
struct RunValues {
    std::int32_t totalPasswords = 25;
    std::int16_t minLength = 10;
    std::int16_t maxLength = 10;
    bool operator==(const RunValues&) const = default;
};

enum class DictionaryMode { Whole, Hybrid };

// The check switches of the main window. Read afresh by the generators at each
// use, so a change made during a run takes effect at the next read.
struct CheckOptions {
    bool duplication = true;
    bool sideBySide = false;
    bool sequential = false;
    bool dictionary = false;
    DictionaryMode dictionaryMode = DictionaryMode::Whole;
    bool strong = false;
    bool sortDisplay = true;
    bool counter = true;
    bool operator==(const CheckOptions&) const = default;
};

enum class GenerationMethod { RandomCharacters, RandomWords, Pronounceable };

} // namespace quorlix
