#pragma once
// Storage of the Generated Passwords display: up to 10,000,000 rows in one
// byte buffer (no std::string per row). While every row has the same length,
// as in most runs, a row's place follows from its number; rows of differing
// lengths add 32-bit start offsets, four bytes a row. Sorted, the display
// order adds four bytes a row.
//
// Sorted mode orders rows by plain character-code order (byte value); equal
// rows keep the order they were added in. Switching sorted mode re-orders the
// whole list. Rows are placed lazily: rows added since the last read are put
// in their places in one go when updating is switched back on or when the
// display order is next read, so a run that adds ten million rows with
// updating off pays for one sort. Row colours are a stripe over a leading run
// of rows, not a value per row.
//
// Not thread-safe: one thread adds; reads may come from several threads once
// settle() has run and while nothing is added.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ResultListBuffer.h"

namespace quorlix
{

// Takes the rows of an unsorted list as they are added (a file written while
// the run goes). Called on the thread that adds.
class RowFollower
{
public:
    virtual ~RowFollower() = default;
    virtual void follow(std::string_view row) = 0;
    // The list was cleared or rows were removed: the rows followed so far
    // are no longer its rows.
    virtual void rowsChanged() = 0;
};

// Cache-line aligned: a long run adds rows on a checker thread while the
// run's thread works beside it; no variable of that thread may share a line
// with the list's counters.
class alignas(64) ResultList
{
public:
    void clear();
    std::size_t count() const { return m_count; }
    bool empty() const { return count() == 0; }

    void add(std::string_view row);
    // Removes rows by their numbers in the order added (ascending, each once);
    // the rows after them move up.
    void removeRows(const std::vector<std::size_t>& rows);
    // The numbers (in the order added, ascending) of the rows equal to an
    // earlier row. Places every row afresh when sorted.
    std::vector<std::size_t> repeatedRows() const;
    // Text of a row by display index (0-based, sorted order when sorted).
    // The view stays valid until the next add() or clear().
    std::string_view row(std::size_t index) const
    {
        if (!m_sorted)
            return rowAdded(index);
        if (m_placed != m_count)
            placeRows();
        if (m_placedAsText)
            return {m_sortedText.data() + index * m_stride, m_stride};
        // Writers read the sorted list front to back, which visits the text
        // all over memory: fetch the rows well ahead (a wrong guess costs nothing).
        if (index + kReadAhead < m_count) {
            const std::uint32_t ahead = m_order[index + kReadAhead];
            __builtin_prefetch(m_uniform ? m_bytes.data() + std::size_t{ahead} * m_stride
                                         : m_bytes.data() + m_starts[ahead]);
            if (!m_uniform && index + 2 * kReadAhead < m_count)
                __builtin_prefetch(&m_starts[m_order[index + 2 * kReadAhead]]);
        }
        return rowAdded(m_order[index]);
    }
    // Text of a row in the order rows were added.
    std::string_view rowAdded(std::size_t index) const
    {
        if (m_uniform)
            return {m_bytes.data() + index * m_stride, m_stride};
        const std::uint64_t from = startOf(index);
        const std::uint64_t to = index + 1 < m_count ? startOf(index + 1) : m_bytes.size();
        return {m_bytes.data() + from, static_cast<std::size_t>(to - from)};
    }

    // Places every row now, so that reads change nothing: several threads may
    // then read the list at once, as long as none adds to it.
    void settle() const { placeRows(); }

    void setSorted(bool on);
    bool sorted() const { return m_sorted; }
    void setUpdating(bool on);
    bool updating() const { return m_updating; }

    // Stripe rows 0..rows-1: first colour on even rows, second on odd rows
    // (16-colour palette numbers). Rows past the stripe have no colour.
    void colourRows(std::size_t rows, int first, int second);
    // Palette number of a row, or -1 when it has none.
    int rowColour(std::size_t index) const;

    void reserve(std::size_t rows, std::size_t bytes);
    // The room reserve() made for text beyond what is written: another thread
    // may fault it in (populatePages) while rows are added, as long as the
    // list is not reserved again, cleared or shortened meanwhile.
    std::pair<char*, std::size_t> textRoom()
    {
        return {m_bytes.data() + m_bytes.size(), m_bytes.capacity() - m_bytes.size()};
    }
    // Bytes held for rows, order and text (for the memory readout and tests).
    std::size_t memoryUsed() const;

    // Called after clear, after updating is switched on, and after an add while
    // updating is on; the GUI repaints from it.
    void setChangeObserver(std::function<void()> observer) { m_observer = std::move(observer); }
    // Rows added while unsorted also go to follower (null: none).
    void setFollower(RowFollower* follower) { m_follower = follower; }

private:
    std::uint64_t startOf(std::size_t index) const
    {
        std::uint64_t high = 0;
        // Starts past 4 GiB: m_wraps lists the first row of each further 4 GiB.
        for (std::size_t w = 0; w < m_wraps.size() && m_wraps[w] <= index; ++w)
            high += std::uint64_t{1} << 32;
        return high + m_starts[index];
    }
    void placeRows(std::vector<std::uint32_t>* repeats = nullptr) const;
    bool placeAsText(std::vector<std::uint32_t>* repeats) const;
    // The rank keys of every row, sorted, at the start of buffer (which is
    // sized for bytesPerRow a row, at least 8); false when the rows are not
    // of one length or do not fit the keys. repeated: two keys (rows) agree.
    bool sortKeys(PodBuffer<char>& buffer, std::size_t bytesPerRow, bool* repeated, int* bitsPerCharacter,
                  std::array<unsigned char, 256>* byteOfRank) const;
    void namedRepeats(std::vector<std::uint32_t>& repeats) const;
    void forgetPlacement() const;
    static constexpr std::size_t kReadAhead = 48;
    // Rows of one length from this many on may be placed as sorted text.
    static constexpr std::size_t kTextPlacementFrom = std::size_t{1} << 14;
    // Rows of differing lengths from now on: every row gets its start.
    void recordStarts();
    void notify() const
    {
        if (m_observer)
            m_observer();
    }

    PodBuffer<char> m_bytes;
    std::size_t m_count = 0;
    // While every row is m_stride bytes long, m_starts stays empty.
    bool m_uniform = true;
    std::size_t m_stride = 0;
    std::size_t m_reservedRows = 0; // rows that reserve() made room for
    PodBuffer<std::uint32_t> m_starts{Holds::NoSecrets}; // low 32 bits of each row's first byte
    std::vector<std::uint32_t> m_wraps;                  // rows where the high part steps up
    bool m_sorted = false;
    bool m_updating = true;
    // Display order when sorted; rows at positions >= m_placed are not yet placed.
    mutable PodBuffer<std::uint32_t> m_order{Holds::NoSecrets};
    mutable std::size_t m_placed = 0;
    // Rows of one length whose characters fit a 64-bit key of ranks are
    // placed as a sorted copy of the text instead (display row i at i *
    // m_stride): a radix sort of the keys that never reads a row out of
    // place, and writers then read the display front to back.
    mutable PodBuffer<char> m_sortedText;
    mutable bool m_placedAsText = false;
    std::size_t m_stripeRows = 0;
    int m_stripeFirst = -1;
    int m_stripeSecond = -1;
    std::function<void()> m_observer;
    RowFollower* m_follower = nullptr;
};

} // namespace quorlix
