#pragma once
// Making dictionary files from plain word lists (one word per line, UTF-8),
// such as Debian's /usr/share/dict lists.
//
// Kept: words of four to fifty letters and nothing but letters (no digits,
// apostrophes, hyphens or possessive forms). A word whose first letter is not
// A-Z (an accented or non-Latin initial) is left out: tables are named A to Z
// and lookups go to the table of the first letter, where such a word could
// never be found. Duplicates are dropped without regard to case; the first
// spelling seen is kept. Words are filed in list order. A line of dice
// numbers, a tab and a word (the diceware lists) gives the word.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace quorlix {

struct DictionaryBuildReport {
    std::size_t linesRead = 0;
    std::size_t wordsKept = 0;
};

// The words of the lists that a dictionary would hold, in order.
std::vector<std::string> dictionaryWordsFromLists(const std::vector<std::string>& listPaths,
                                                  DictionaryBuildReport* report, Status* status);
// True when word qualifies (see above).
bool qualifiesAsDictionaryWord(const std::string& word);

// Builds outPath from one or more lists; false with *status set on failure
// (an unreadable list, a write error) or refusal (InvalidArgument: nothing to
// keep, or no word beginning with A, without which no reader takes the file).
// outPath is replaced only when the whole file was written.
bool buildDictionary(const std::string& listPath, const std::string& outPath, Status* status,
                     DictionaryBuildReport* report = nullptr);
bool buildDictionary(const std::vector<std::string>& listPaths, const std::string& outPath, Status* status,
                     DictionaryBuildReport* report = nullptr);

// The dictionaries that ship with the program, in the order they are built:
// the six built-in names and the EFF's long list for passphrases.
std::vector<std::string> shippedDictionaryNames();
// Builds each into outFolder (ending in a separator) from the lists under
// dictFolder (see DictionarySources.h); stops at the first failure.
bool buildShippedDictionaries(const std::string& outFolder, Status* status,
                              const std::string& dictFolder = "/usr/share/dict/");

} // namespace quorlix
