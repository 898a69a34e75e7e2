#include "words/WordStyle.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "words/WordText.h"

namespace quorlix {

std::string styledWord(std::string_view word, WordCase style, int place, bool upperDrawn)
{
    const bool allUpper = style == WordCase::Upper || (style == WordCase::Alternating && place % 2 == 0) ||
                          (style == WordCase::Random && upperDrawn);
    if (allUpper)
        return upperWord(word);
    if (style == WordCase::Capitalised)
        return upperCharacterAt(word, 1);
    return lowerWord(word); // the words come lower-cased: unchanged
}

namespace {

// The forms of one place with their chances: how many differ, and the entropy.
struct PlaceForms {
    std::uint64_t count = 0;
    double bits = 0;
    bool holdsSeparator = false;
};

PlaceForms formsAt(const WordDrawer& drawer, const WordSettings& s, int place)
{
    const std::size_t minLength = static_cast<std::size_t>(std::max<int>(s.minWordLength, 0));
    const std::size_t maxLength = static_cast<std::size_t>(std::max<int>(s.maxWordLength, 0));
    std::unordered_map<std::string, double> chance;
    std::size_t words = 0;
    PlaceForms out;
    const auto add = [&](std::string form, double share) {
        if (!s.separator.empty() && form.find(s.separator) != std::string::npos)
            out.holdsSeparator = true;
        chance[std::move(form)] += share;
    };
    for (std::size_t i = 0; i < static_cast<std::size_t>(drawer.totalWords()); ++i) {
        const std::string_view word = drawer.word(i);
        const std::size_t length = characterCount(word);
        if (s.wordLengthLimit && (length < minLength || length > maxLength))
            continue;
        ++words;
        if (s.randomCapital()) {
            const std::size_t letters = std::max<std::size_t>(length, 1);
            for (std::size_t q = 1; q <= letters; ++q)
                add(upperCharacterAt(word, q), 1.0 / static_cast<double>(letters));
        } else if (s.wordCase == WordCase::Random) {
            add(styledWord(word, WordCase::Random, place, false), 0.5);
            add(styledWord(word, WordCase::Random, place, true), 0.5);
        } else {
            add(styledWord(word, s.wordCase, place, false), 1.0);
        }
    }
    out.count = chance.size();
    for (const auto& [form, share] : chance) {
        const double p = share / static_cast<double>(words);
        out.bits -= p * std::log2(p);
    }
    return out;
}

} // namespace

PasswordSpace wordPasswordSpace(const WordDrawer& drawer, const WordSettings& s)
{
    PasswordSpace space;
    const int wordCount = std::clamp<int>(s.wordsPerPassword, 1, 10);
    std::vector<std::uint32_t> factors;
    bool separatorInWords = false;
    // Only alternating words differ by place, and only between odd and even places.
    PlaceForms odd = formsAt(drawer, s, 1);
    PlaceForms even = s.wordCase == WordCase::Alternating ? formsAt(drawer, s, 2) : odd;
    for (int place = 1; place <= wordCount; ++place) {
        const PlaceForms& forms = place % 2 == 1 ? odd : even;
        factors.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(forms.count, 0xFFFFFFFFu)));
        space.bits += forms.bits;
        separatorInWords = separatorInWords || forms.holdsSeparator;
    }
    if (s.randomNumbers && s.digitCount > 0) {
        for (int d = 0; d < s.digitCount; ++d)
            factors.push_back(10);
        space.bits += s.digitCount * std::log2(10.0);
    }
    if (odd.count == 0) {
        space.possible.assign(1, '0');
        space.bits = 0;
        return space;
    }
    space.possible = decimalProduct(factors);
    space.upperBound = wordCount > 1 && (s.separator.empty() || separatorInWords);
    return space;
}

} // namespace quorlix
