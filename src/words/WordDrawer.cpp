#include "words/WordDrawer.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "words/WordText.h"

namespace quorlix {

WordDrawer::WordDrawer(WordTables tables)
{
    std::int64_t total = 0;
    std::size_t bytes = 0;
    for (const auto& words : tables.tables)
        for (const std::string& w : words)
            bytes += w.size();
    m_text.reserve(bytes);
    m_starts.reserve(tables.totalWords() + 1);
    for (int t = 0; t < WordTables::kTables; ++t) {
        auto& words = tables.tables[static_cast<std::size_t>(t)];
        // The counts are 32-bit; a larger dictionary draws from its first 2^31-1 words.
        const auto room = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - total);
        const std::size_t kept = std::min(words.size(), room);
        for (std::size_t k = 0; k < kept; ++k) {
            const std::string lower = lowerWord(words[k]);
            if (lower.size() > std::numeric_limits<std::uint32_t>::max() - m_text.size())
                throw std::length_error("The dictionary is too large to hold in memory.");
            m_starts.push_back(static_cast<std::uint32_t>(m_text.size()));
            m_text.insert(m_text.end(), lower.begin(), lower.end());
        }
        words = {}; // the copy is made: give the memory back as we go
        total += static_cast<std::int64_t>(kept);
        m_cumulative[t + 1] = static_cast<std::int32_t>(total);
    }
    m_starts.push_back(static_cast<std::uint32_t>(m_text.size()));
}

std::string_view WordDrawer::draw(RandomSource& random) const
{
    const int r = random.draw(static_cast<double>(totalWords()), 1);
    // The first table k with r <= cumulative[k].
    const auto it = std::lower_bound(m_cumulative.begin() + 1, m_cumulative.end(), r);
    const auto table = static_cast<std::size_t>(it - m_cumulative.begin() - 1);
    const int p = random.draw(static_cast<double>(count(static_cast<int>(table))), 1);
    const auto k = static_cast<std::size_t>(m_cumulative[table] + p - 1);
    return {m_text.data() + m_starts[k], m_starts[k + 1] - m_starts[k]};
}

} // namespace quorlix
