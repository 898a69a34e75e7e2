#pragma once
// The two-step word draw of the Random Words runs over a dictionary held in
// memory: r = Int(totalWords * Rnd + 1) picks the letter table by cumulative
// counts, then p = Int(n * Rnd + 1) picks the record of that table. This
// selects exactly the records that reopening the table per draw would.
//
// Every draw lands somewhere random in the dictionary, so each word sits in a
// 16-byte slot of one array (tables one after another): a draw reads one
// cache line, not a string object and then its text elsewhere. The rare word
// longer than a slot holds is kept aside.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Random.h"
#include "platform/ResultListBuffer.h"
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
    std::string_view draw(RandomSource& random) const { return word(drawIndex(random)); }

    // draw() in two halves, so a caller drawing several words can start
    // loading each before it reads the first: the same two draws of random
    // pick the index, word() reads it.
    std::size_t drawIndex(RandomSource& random) const;
    void prefetch(std::size_t index) const { __builtin_prefetch(&m_slots[index]); }
    std::string_view word(std::size_t index) const;
    std::size_t wordSize(std::size_t index) const
    {
        const Slot& slot = m_slots[index];
        return slot.size != kLong ? slot.size : word(index).size();
    }
    // Puts word(index) at to and returns its length; writes kCopySlack bytes
    // past it, whatever they are (a fixed-width copy, no loop per character).
    static constexpr std::size_t kCopySlack = 16;
    std::size_t copyWord(std::size_t index, char* to) const
    {
        const Slot& slot = m_slots[index];
        if (slot.size == kLong) [[unlikely]]
            return copyLongWord(slot, to);
        // text and the byte after it: the next slot's, or the one past the last.
        std::memcpy(to, slot.text, 16);
        return slot.size;
    }

private:
    struct Slot {
        std::uint8_t size; // kLong: the word is m_long[index]
        char text[15];
    };
    static constexpr std::uint8_t kLong = 0xFF;
    std::size_t copyLongWord(const Slot& slot, char* to) const;

    // Word k of all tables, then one empty slot; mapped, on huge pages when large.
    PodBuffer<Slot> m_slots;
    std::vector<std::string> m_long;
    std::array<std::int32_t, 27> m_cumulative{}; // [0] = 0, [k] = words of tables 1..k
};

} // namespace quorlix
