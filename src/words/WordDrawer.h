#pragma once
// The two-step word draw of the Random Words runs over a dictionary held in
// memory: r = Int(totalWords * Rnd + 1) picks the letter table by cumulative
// counts, then p = Int(n * Rnd + 1) picks the record of that table. This
// selects exactly the records that reopening the table per draw would.

#include <array>
#include <cstdint>
#include <string>

#include "platform/Random.h"
#include "words/WordTables.h"

namespace quorlix {

class WordDrawer {
public:
    // Takes the tables and lower-cases every word once.
    explicit WordDrawer(WordTables tables);

    std::int32_t totalWords() const { return m_cumulative[26]; }
    std::int32_t count(int table) const { return m_cumulative[table + 1] - m_cumulative[table]; }

    // The next word, lower-cased; two draws of random. totalWords() must not be 0.
    const std::string& draw(RandomSource& random) const;

private:
    WordTables m_tables;
    std::array<std::int32_t, 27> m_cumulative{}; // [0] = 0, [k] = words of tables 1..k
};

} // namespace quorlix
