#pragma once
// Every option of the Random Words method. Changed only by Accept in the
// Random Words settings window, by the last-settings load and by opening a
// settings file; read by the word generators when a run starts.

#include <cstdint>
#include <string>

namespace quorlix {

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

    bool operator==(const WordSettings&) const = default;
};

} // namespace quorlix
