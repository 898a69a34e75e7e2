#pragma once
// Every option of the Random Words method. Changed only by Accept in the
// Random Words settings window, by the last-settings load and by opening a
// settings file; read by the word generators when a run starts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorlix {

// How the words of a password are written: all lower case (the single random
// capital of randomUppercase applies only to this style), all UPPER,
// Capitalised, alternating (lower, UPPER, lower, ...), or each word lower or
// UPPER at random.
enum class WordCase : std::int16_t { Lower = 0, Upper = 1, Capitalised = 2, Alternating = 3, Random = 4 };

inline std::string_view wordCaseName(WordCase c)
{
    switch (c) {
    case WordCase::Upper:
        return "upper";
    case WordCase::Capitalised:
        return "capitalised";
    case WordCase::Alternating:
        return "alternating";
    case WordCase::Random:
        return "random";
    default:
        return "lower";
    }
}
inline std::optional<WordCase> wordCaseFromName(std::string_view name)
{
    for (const WordCase c :
         {WordCase::Lower, WordCase::Upper, WordCase::Capitalised, WordCase::Alternating, WordCase::Random})
        if (name == wordCaseName(c))
            return c;
    if (name == "capitalized")
        return WordCase::Capitalised;
    return std::nullopt;
}
inline std::optional<WordCase> wordCaseFromCode(long long code)
{
    if (code < 0 || code > 4)
        return std::nullopt;
    return static_cast<WordCase>(code);
}

struct WordSettings {
    std::string dictionary = "wordlist_english_abridged.dct"; // bare file name in the program folder; empty = none
    std::int32_t totalPasswords = 25;
    std::int16_t wordsPerPassword = 2; // 1..10
    std::string separator = "*";       // empty = none
    bool duplicationCheck = true;
    bool randomNumbers = true;
    std::int16_t digitCount = 4; // digits appended when randomNumbers is on
    bool wordLengthLimit = false;
    std::int16_t minWordLength = 4;
    std::int16_t maxWordLength = 9;
    bool randomUppercase = false;
    WordCase wordCase = WordCase::Lower;

    // The single random capital counts only with lower-case words.
    bool randomCapital() const { return randomUppercase && wordCase == WordCase::Lower; }

    bool operator==(const WordSettings&) const = default;
};

} // namespace quorlix
