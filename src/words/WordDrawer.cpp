#include "words/WordDrawer.h"

#include <algorithm>
#include <limits>

#include "words/WordText.h"

namespace quorlix {

WordDrawer::WordDrawer(WordTables tables) : m_tables(std::move(tables))
{
    std::int64_t total = 0;
    for (int t = 0; t < WordTables::kTables; ++t) {
        auto& words = m_tables.tables[static_cast<std::size_t>(t)];
        for (std::string& w : words)
            w = lowerWord(w);
        total += static_cast<std::int64_t>(words.size());
        // The counts are 32-bit; a larger dictionary draws from its first 2^31-1 words.
        m_cumulative[t + 1] = static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
    }
}

const std::string& WordDrawer::draw(RandomSource& random) const
{
    const int r = random.draw(static_cast<double>(totalWords()), 1);
    // The first table k with r <= cumulative[k].
    const auto it = std::lower_bound(m_cumulative.begin() + 1, m_cumulative.end(), r);
    const auto table = static_cast<std::size_t>(it - m_cumulative.begin() - 1);
    const auto& words = m_tables.tables[table];
    const int p = random.draw(static_cast<double>(words.size()), 1);
    return words[static_cast<std::size_t>(p - 1)];
}

} // namespace quorlix
