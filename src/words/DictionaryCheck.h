#pragma once
// The dictionary check of the Random Characters method: rejects a password
// that is a dictionary word (whole mode) or that holds one (hybrid mode),
// answering as a scan of the dictionary-check file's letter tables would, but
// from a DictionaryIndex built once per dictionary. No query text is ever
// built from a password, so an apostrophe in one is just another character.

#include <memory>
#include <string>
#include <string_view>

#include "engine/RunSurface.h"
#include "options/RunOptions.h"
#include "words/DictionaryIndex.h"

namespace quorlix {

inline constexpr std::string_view kDictionaryHitStatus = "Dictionary Word Found. Reselected.";
inline constexpr std::string_view kDictionaryPassStatus = "Processing.....Please Wait";

// Whether the check rejects the password, without any status text.
//   drawnLength <= 3, or fewer than 4 ASCII letters in the password: no hit.
//   Whole: the password, case-blind, is a word of the table of its first letter.
//   Hybrid: a word of one of the tables named by letters 1 .. count-3 occurs in it.
bool dictionaryHit(const DictionaryIndex& index, std::string_view password, int drawnLength, DictionaryMode mode);

class DictionaryChecker {
public:
    DictionaryChecker(std::shared_ptr<const DictionaryIndex> index, MainWindowSurface& surface)
        : m_index(std::move(index)), m_surface(surface)
    {
    }

    // Single-window runs (the default): a hit shows kDictionaryHitStatus, a
    // hybrid search without a hit shows kDictionaryPassStatus.
    void useSingleWindowTexts() { m_multiFileName.reset(); }
    // Multi-file runs: a hit shows nothing; a hybrid search without a hit puts
    // back "Writing to File: " + the shown name of the file being written.
    void useMultiFileTexts(std::string shownName) { m_multiFileName = std::make_unique<std::string>(std::move(shownName)); }

    // True when the password is accepted.
    bool accept(std::string_view password, int drawnLength, DictionaryMode mode);

    const DictionaryIndex& index() const { return *m_index; }

private:
    std::shared_ptr<const DictionaryIndex> m_index;
    MainWindowSurface& m_surface;
    std::unique_ptr<std::string> m_multiFileName;
};

} // namespace quorlix
