#pragma once
// Dictionary files (".dct"): password-protected Jet databases of words, one
// table per initial letter ("A" to "Z"), each with the text field "Word" as its
// first field. The program reads them; createDictionary() exists for tests,
// benchmarks and for building word lists from text.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"
#include "platform/jet/Jet.h"

namespace quorlix {

// The database password every dictionary file carries.
inline constexpr std::string_view kDictionaryPassword = "kfz lomb 7316";
inline constexpr std::string_view kDictionaryWordField = "Word";

// How a failure while opening or verifying a dictionary is reported. The
// engine's three told-apart errors map onto Status codes:
//   InvalidFileName  - "not a valid file name" (no name chosen)
//   NotFound         - table or field missing (not a dictionary, or damaged)
//   anything else    - unknown error
enum class DictionaryFailure { InvalidFileName, NotADictionary, Unknown };
DictionaryFailure classifyDictionaryFailure(const Status& failure);

// The critical message for a failure of a Random Words run that opens and
// verifies its dictionary. fullPath is the program folder followed by the
// dictionary name. singleWindowRun: only single-window runs have their own
// text for "no file name"; multi-file runs report it as an unknown error.
std::string dictionaryFailureMessage(const Status& failure, const std::string& fullPath, bool singleWindowRun);

// Word counts per letter, "A" first. The total is a 32-bit signed count.
struct WordCounts {
    std::array<std::int32_t, 26> count{};
    std::int32_t total = 0;
};

class DictionaryFile {
public:
    // openDictionary: opens programFolder + fileName with the dictionary
    // password. programFolder ends in a path separator (or is empty for a
    // name relative to the working folder).
    static std::unique_ptr<DictionaryFile> openDictionary(const std::string& programFolder,
                                                          const std::string& fileName, Status* error);
    // Opens a dictionary at a full path.
    static std::unique_ptr<DictionaryFile> openPath(const std::string& fullPath, Status* error);

    const std::string& fullPath() const { return m_path; }

    // verifyDictionary: table "A" must open, have the field "Word" and give
    // the field of its first record. An empty table "A" has no current record:
    // an error of the unknown kind, as the engine reports it.
    Status verifyDictionary();

    // countWords: record counts of the 26 tables in letter order, found by
    // walking each table to its end. A missing table fails the whole count
    // (NotFound), as does a table that cannot be read to its end.
    Status countWords(WordCounts* counts);

    // All words of one letter's table in record order, as stored (no case
    // change). letter is 'A'..'Z' (lower case accepted). Null words are skipped.
    Status readWords(char letter, std::vector<std::string>* words);

    // Streaming access to a letter's table (the search window walks it record
    // by record).
    std::unique_ptr<jet::TableReader> openLetter(char letter, Status* error);

private:
    DictionaryFile(std::string path, std::unique_ptr<jet::DatabaseReader> db);
    std::string m_path;
    std::unique_ptr<jet::DatabaseReader> m_db;
};

// Writes a new dictionary at path (replacing a file of that name only when the
// whole write succeeded): 26 tables "A".."Z" with the one Text field "Word",
// the dictionary password, each word in the table of its upper-cased first
// letter in list order. Words whose first character is not a letter A-Z are
// refused (InvalidArgument), as are empty words.
Status createDictionary(const std::string& path, const std::vector<std::string>& words,
                        jet::JetVersion version = jet::JetVersion::Jet3);

} // namespace quorlix
