#pragma once
// The dictionary check of the Random Characters method: rejects a password
// that is a dictionary word (whole mode) or that holds one (hybrid mode),
// answering as a scan of the dictionary-check file's letter tables would, but
// from a DictionaryIndex built once per dictionary. No query text is ever
// built from a password, so an apostrophe in one is just another character.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/DictionaryCheck.h"
#include "output/RunSurface.h"
#include "options/RunOptions.h"
#include "words/DictionaryFolder.h"
#include "words/DictionaryIndex.h"
#include "words/WordSource.h"

namespace quorlix {

inline constexpr std::string_view kDictionaryHitStatus = "Dictionary Word Found. Reselected.";
inline constexpr std::string_view kDictionaryPassStatus = "Processing.....Please Wait";

// Whether the check rejects the password, without any status text.
//   drawnLength <= 3, or fewer than 4 ASCII letters in the password: no hit.
//   Whole: the password, case-blind, is a word of the table of its first letter.
//   Hybrid: a word of one of the tables named by letters 1 .. count-3 occurs in it.
bool dictionaryHit(const DictionaryIndex& index, std::string_view password, int drawnLength, DictionaryMode mode);

// The engine's dictionary check over a DictionaryIndex. prepare() reads the
// dictionary-check file through a WordSource and keeps the index while the
// file's size and modification time stay the same, so runs after the first
// do not rebuild it.
class DictionaryChecker final : public DictionaryCheck {
public:
    explicit DictionaryChecker(MainWindowSurface& surface, WordSource* source = nullptr,
                               DictionaryPlaces places = DictionaryPlaces(std::string()))
        : m_surface(surface), m_source(source), m_places(std::move(places))
    {
    }

    // Uses index until the next prepare(); null passes every password.
    void setIndex(std::shared_ptr<const DictionaryIndex> index) { m_index = std::move(index); }
    const DictionaryIndex* index() const { return m_index.get(); }

    // A missing file fails with the word runs' not-found text, one that
    // cannot be read with the text for its failure (not a dictionary, unknown).
    Status prepare(const std::string& fileName) override;
    void useSingleWindowTexts() override { m_multiFileName.reset(); }
    void useMultiFileTexts(std::string shownName) override
    {
        m_multiFileName = std::make_unique<std::string>(std::move(shownName));
    }
    // True when the password is accepted. Without an index (the file could not
    // be read) every password passes.
    bool accept(std::string_view password, int drawnLength, DictionaryMode mode) override;

private:
    MainWindowSurface& m_surface;
    WordSource* m_source;
    DictionaryPlaces m_places;
    std::shared_ptr<const DictionaryIndex> m_index;
    std::unique_ptr<std::string> m_multiFileName;
    std::string m_indexedPath;
    std::uintmax_t m_indexedSize = 0;
    std::int64_t m_indexedTime = 0;
};

} // namespace quorlix
