#pragma once
// The two-step word draw of the Random Words runs over a dictionary held in
// memory: r = Int(totalWords * Rnd + 1) picks the letter table by cumulative
// counts, then p = Int(n * Rnd + 1) picks the record of that table. This
// selects exactly the records that reopening the table per draw would.
//
// Every draw lands somewhere random in the dictionary, so the words are kept
// packed (one byte buffer, one offset per word, tables one after another)
// rather than as a string object each: a third of the memory to miss in.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Random.h"
#include "words/WordTables.h"

namespace quorlix {

class WordDrawer {
public:
    // Takes the tables and lower-cases every word once.
    explicit WordDrawer(WordTables tables);

    std::int32_t totalWords() const { return m_cumulative[26]; }
    std::int32_t count(int table) const { return m_cumulative[table + 1] - m_cumulative[table]; }

    // The next word, lower-cased; two draws of random. totalWords() must not
    // be 0. The view stays valid as long as the drawer.
    std::string_view draw(RandomSource& random) const;

private:
    std::vector<char> m_text;
    std::vector<std::uint32_t> m_starts;         // word k of all tables starts at m_starts[k]; one past the end last
    std::array<std::int32_t, 27> m_cumulative{}; // [0] = 0, [k] = words of tables 1..k
};

} // namespace quorlix
