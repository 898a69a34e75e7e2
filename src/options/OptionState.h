#pragma once
// Everything the program remembers between sessions and puts into a settings
// file: the run values, the check switches, the dictionary-check file, the
// method, the Random Words options, the separator marks, the pool, the rules
// and the Pronounceable options.
// Default-constructed it holds the values of a first start.

#include <string>
#include <string_view>

#include "options/CharacterPool.h"
#include "options/PronounceableSettings.h"
#include "options/RunOptions.h"
#include "options/WordSettings.h"

namespace quorlix {

inline constexpr std::string_view kDefaultDictionary = "wordlist_english_abridged.dct";

struct OptionState {
    RunValues run;
    CheckOptions checks;
    std::string dictionaryFile{kDefaultDictionary}; // the dictionary check's file
    GenerationMethod method = GenerationMethod::RandomCharacters;
    WordSettings words;
    InsertSettings inserts;
    CharacterPool pool = CharacterPool::defaultPool();
    PositionRules rules;
    PronounceableSettings pronounceable;

    bool operator==(const OptionState&) const = default;
};

} // namespace quorlix
