#include "words/WordDrawer.h"

#include <algorithm>
#include <limits>
#include <cstring>

#include "words/WordText.h"

namespace quorlix {

WordDrawer::WordDrawer(WordTables tables)
{
    static_assert(sizeof(Slot) == 16);
    std::int64_t total = 0;
    m_slots.reserve(tables.totalWords() + 1);
    for (int t = 0; t < WordTables::kTables; ++t) {
        auto& words = tables.tables[static_cast<std::size_t>(t)];
        // The counts are 32-bit; a larger dictionary draws from its first 2^31-1 words.
        const auto room = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - total);
        const std::size_t kept = std::min(words.size(), room);
        for (std::size_t k = 0; k < kept; ++k) {
            Slot slot{};
            const std::string& word = words[k];
            if (word.size() <= sizeof slot.text &&
                std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
                // The common case, without a string of its own: ASCII lowered in place.
                slot.size = static_cast<std::uint8_t>(word.size());
                for (std::size_t i = 0; i < word.size(); ++i)
                    slot.text[i] = word[i] >= 'A' && word[i] <= 'Z' ? static_cast<char>(word[i] + 32) : word[i];
                m_slots.push_back(slot);
                continue;
            }
            std::string lower = lowerWord(word);
            if (lower.size() <= sizeof slot.text) {
                slot.size = static_cast<std::uint8_t>(lower.size());
                std::memcpy(slot.text, lower.data(), lower.size());
            } else {
                slot.size = kLong;
                const auto index = static_cast<std::uint32_t>(m_long.size());
                std::memcpy(slot.text, &index, sizeof index);
                m_long.push_back(std::move(lower));
            }
            m_slots.push_back(slot);
        }
        words = {}; // copied: give the memory back as we go
        total += static_cast<std::int64_t>(kept);
        m_cumulative[t + 1] = static_cast<std::int32_t>(total);
    }
    m_slots.push_back(Slot{}); // copyWord reads a byte past the last word's slot
}

std::size_t WordDrawer::copyLongWord(const Slot& slot, char* to) const
{
    std::uint32_t at;
    std::memcpy(&at, slot.text, sizeof at);
    const std::string& word = m_long[at];
    std::memcpy(to, word.data(), word.size());
    return word.size();
}

std::size_t WordDrawer::drawIndex(RandomSource& random) const
{
    const int r = random.draw(static_cast<double>(totalWords()), 1);
    // The first table k with r <= cumulative[k], by a search without
    // branches (the draw is random, so a branch would be guessed wrong half
    // the time): the count of cumulative[1..26] below r.
    std::size_t table = 0;
    for (std::size_t step = 16; step > 0; step /= 2)
        if (table + step <= 26 && m_cumulative[table + step] < r)
            table += step;
    const int p = random.draw(static_cast<double>(count(static_cast<int>(table))), 1);
    return static_cast<std::size_t>(m_cumulative[table] + p - 1);
}

std::string_view WordDrawer::word(std::size_t index) const
{
    const Slot& slot = m_slots[index];
    if (slot.size != kLong)
        return {slot.text, slot.size};
    std::uint32_t at;
    std::memcpy(&at, slot.text, sizeof at);
    return m_long[at];
}

} // namespace quorlix
