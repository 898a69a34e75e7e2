#pragma once
// Pronounceable passwords: syllables from a fixed table, with an optional
// capital, a group of digits and a symbol, each at a syllable boundary.
//
// The table. A syllable is a consonant and a vowel (CV), or a consonant, a
// vowel and a closing consonant (CVC), all plain lower-case ASCII letters:
//   consonants        b d f g h j k m n p r s t v w z   (16)
//   vowels            a e i o u                         (5)
//   closing letters   b d f g k m n p r s t             (11)
// which gives 80 CV and 880 CVC syllables. Digits are 2 to 9, symbols
// ! # $ % & * + = ? @. Left out are the characters easily taken for others
// (l, I and 1; O and 0), letters whose sound is not plain from their
// spelling (c, q, x, y), the quotes and bars, and the separators themselves.
//
// The language. A password is k >= 1 syllables in a row; the digits (as one
// group) and the symbol, when asked for, are each put in one of the k + 1
// places around the syllables (before the first, between two, after the
// last), the symbol also before or after the digits. The parts are joined by
// the separator. A capital is none, the first letter, or one letter anywhere.
// Its length counts letters, digits and the symbol; separators are not counted.
// Every syllable starts with a consonant followed by a vowel, so the letters
// split into syllables in one way only: each string of the language comes
// from exactly one choice of syllables, places and capital, and counting the
// choices counts the strings.
//
// Every password of the language between the minimum and the maximum length
// (lengths up to 60) is equally likely: the draw picks a uniform index below the exact count and
// takes the group of passwords (length, syllables, closed syllables) that
// holds it; within a group every choice is independent and uniform.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "options/PronounceableSettings.h"
#include "platform/Random.h"

namespace quorlix
{

struct SyllableTable {
    std::string_view consonants;
    std::string_view vowels;
    std::string_view closing;
    std::string_view digits;
    std::string_view symbols;
};

inline constexpr SyllableTable kSyllableTable{"bdfghjkmnprstvwz", "aeiou", "bdfgkmnprst", "23456789",
                                              "!#$%&*+=?@"};

// A uniform whole number in [0, n), n >= 1, exactly: 32 bits are taken from
// each value of the source (whose values have 53 bits) and a value that would
// favour the small numbers is drawn again.
std::uint32_t uniformBelow(RandomSource& random, std::uint32_t n);

class PronounceableLanguage
{
public:
    explicit PronounceableLanguage(const PronounceableSettings& settings, const SyllableTable& table = kSyllableTable);
    ~PronounceableLanguage();
    PronounceableLanguage(PronounceableLanguage&&) noexcept;
    PronounceableLanguage& operator=(PronounceableLanguage&&) noexcept;

    // How many different passwords, in decimal digits ("0" when none fits).
    std::string count() const;
    // Those of one length alone.
    std::string countOfLength(int length) const;
    bool empty() const;
    // log2 of the count: the entropy of one password, since all are equally likely.
    double bits() const;
    // The count as a number: rounded, and saturated at the largest 64-bit value.
    long double approximateCount() const;
    std::uint64_t saturatedCount() const;
    // The shortest password the options allow: one syllable, the digits, the symbol.
    int shortestLength() const;

    // One password, uniform over the language, into out (replacing it).
    // Returns its length (separators not counted). The language must not be empty.
    int draw(RandomSource& random, std::string& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace quorlix
