#pragma once
// Every word of a dictionary in one Aho-Corasick automaton, upper-cased, each
// word tagged with the letter tables (bit 0 = "A") it was read from. It answers
// both questions of the dictionary check in one pass over a password instead
// of reading whole tables per password:
//   - is the text, case-blind, a word of table X (whole mode);
//   - does any word of a set of tables occur in the text (hybrid mode).
// Case folding is ASCII only: the passwords it is asked about are ASCII.
// Immutable once built; safe to share between runs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "words/WordTables.h"

namespace quorlix {

class DictionaryIndex {
public:
    explicit DictionaryIndex(const WordTables& words);

    static constexpr std::uint32_t tableBit(int table) { return std::uint32_t{1} << table; }

    // True when text, compared without regard to ASCII case, equals a word of
    // table (0 = "A" .. 25 = "Z").
    bool containsWord(std::string_view text, int table) const;
    // True when some word of a table whose bit is set in tableMask occurs
    // anywhere in text, without regard to ASCII case. An empty word occurs in
    // every non-empty text.
    bool anyWordIn(std::string_view text, std::uint32_t tableMask) const;

    std::size_t nodeCount() const { return m_fail.size(); }
    std::size_t wordCount() const { return m_words; }

private:
    static constexpr std::uint32_t kRoot = 0;
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint32_t child(std::uint32_t node, unsigned char c) const;

    // Children of node i are edges m_childBegin[i] .. m_childBegin[i+1]-1, sorted by byte.
    std::vector<std::uint32_t> m_childBegin;
    std::vector<unsigned char> m_edgeByte;
    std::vector<std::uint32_t> m_edgeTarget;
    std::vector<std::uint32_t> m_fail;
    std::vector<std::uint32_t> m_endMask; // tables of the words ending exactly here
    std::vector<std::uint32_t> m_outMask; // tables of every word that is a suffix of this node's path
    std::array<std::uint32_t, 256> m_rootNext{};
    std::size_t m_words = 0;
};

} // namespace quorlix
