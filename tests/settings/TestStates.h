#pragma once
// Option states shared by the settings tests.

#include "options/OptionState.h"

namespace quorlix::test {

// A state in which every persisted value differs from its default.
inline OptionState unusualState()
{
    OptionState s;
    s.run = RunValues{1234567, 7, 33};
    s.checks = CheckOptions{false, true, true, true, DictionaryMode::Hybrid, true, false, false};
    s.dictionaryFile = "wordlist_german.dct";
    s.method = GenerationMethod::RandomWords;
    s.words = WordSettings{"wordlist_french.dct", 500, 3, "-", false, true, 6, true, 5, 8, true, WordCase::Alternating};
    s.pronounceable = PronounceableSettings{400, 8, 12, CapitalStyle::Random, 3, true, SyllableSeparator::Dot};
    for (int i = 1; i <= 59; ++i) {
        s.inserts.hyphen[i] = static_cast<std::int16_t>(i % 3 == 0);
        s.inserts.blank[i] = static_cast<std::int16_t>(i % 5 == 1);
    }
    for (int code = kFirstCode; code <= kLastCode; ++code)
        s.pool.setFlag(code, static_cast<std::int16_t>(code % 2));
    for (int i = 1; i <= 60; ++i)
        s.rules.rule[i] = static_cast<std::int16_t>(i % 5);
    s.pool.recount();
    return s;
}

} // namespace quorlix::test
