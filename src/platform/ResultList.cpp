#include "platform/ResultList.h"

#include <algorithm>
#include <cstring>

#include "platform/ResultListOrder.h"

namespace quorlix
{

void ResultList::clear()
{
    m_bytes.release();
    m_starts.release();
    m_wraps.clear();
    m_order.release();
    m_count = 0;
    m_uniform = true;
    m_stride = 0;
    m_placed = 0;
    m_stripeRows = 0;
    if (m_follower)
        m_follower->listCleared();
    notify();
}

void ResultList::recordStarts()
{
    m_uniform = false;
    m_starts.reserve(m_count + 1);
    for (std::size_t i = 0; i < m_count; ++i) {
        const std::uint64_t start = std::uint64_t{i} * m_stride;
        while (m_wraps.size() < (start >> 32))
            m_wraps.push_back(static_cast<std::uint32_t>(i));
        m_starts.push_back(static_cast<std::uint32_t>(start));
    }
}

void ResultList::add(std::string_view row)
{
    if (m_uniform) {
        if (m_count == 0)
            m_stride = row.size();
        else if (row.size() != m_stride)
            recordStarts();
    }
    const std::uint64_t start = m_bytes.size();
    if (!m_uniform) {
        while (m_wraps.size() < (start >> 32))
            m_wraps.push_back(static_cast<std::uint32_t>(m_count));
        m_starts.push_back(static_cast<std::uint32_t>(start));
    }
    m_bytes.append(row.data(), row.size());
    ++m_count;
    if (m_follower && !m_sorted)
        m_follower->follow(row);
    if (m_updating)
        notify();
}

void ResultList::reserve(std::size_t rows, std::size_t bytes)
{
    if (!m_uniform)
        m_starts.reserve(rows);
    m_bytes.reserve(bytes);
}

std::size_t ResultList::memoryUsed() const
{
    return m_bytes.capacity() + m_starts.capacity() * sizeof(std::uint32_t) +
           m_order.capacity() * sizeof(std::uint32_t) + m_wraps.capacity() * sizeof(std::uint32_t);
}

void ResultList::setSorted(bool on)
{
    if (on != m_sorted) {
        m_sorted = on;
        m_order.release();
        m_placed = 0;
    }
}

void ResultList::setUpdating(bool on)
{
    const bool wasOff = !m_updating;
    m_updating = on;
    if (on && wasOff) {
        placeRows();
        notify();
    }
}

void ResultList::placeRows() const
{
    const std::size_t n = count();
    if (!m_sorted || m_placed == n)
        return;
    const auto rowAt = [this](std::uint32_t i) { return rowAdded(i); };
    const std::size_t firstNew = m_placed;
    if (firstNew > 0 && n - firstNew <= 8) {
        // A few rows added with updating on, each read back at once: put each
        // after its equals by binary search; a merge would compare every row.
        for (std::size_t i = firstNew; i < n; ++i) {
            const std::string_view text = rowAdded(i);
            const auto* pos = std::upper_bound(m_order.begin(), m_order.end(), text,
                                               [this](std::string_view t, std::uint32_t r) { return t < rowAdded(r); });
            const std::size_t at = static_cast<std::size_t>(pos - m_order.begin());
            m_order.push_back(0);
            std::uint32_t* slot = m_order.data() + at;
            std::memmove(slot + 1, slot, (m_order.size() - 1 - at) * sizeof(std::uint32_t));
            m_order[at] = static_cast<std::uint32_t>(i);
        }
        m_placed = n;
        return;
    }
    appendSortedRows(static_cast<std::uint32_t>(firstNew), static_cast<std::uint32_t>(n - firstNew), rowAt, false,
                     m_order);
    if (firstNew > 0) {
        // New rows come after older equal rows, as if each had been inserted in turn.
        const auto less = [&](std::uint32_t a, std::uint32_t b) {
            const int c = compareRows(rowAdded(a), rowAdded(b), false);
            return c != 0 ? c < 0 : a < b;
        };
        std::inplace_merge(m_order.begin(), m_order.begin() + firstNew, m_order.end(), less);
    }
    m_placed = n;
}

std::string_view ResultList::row(std::size_t index) const
{
    if (!m_sorted)
        return rowAdded(index);
    placeRows();
    // Writers read the sorted list front to back, which visits the text all
    // over memory: fetch the rows a little ahead (a wrong guess costs nothing).
    if (!m_uniform && index + 32 < m_order.size())
        __builtin_prefetch(&m_starts[m_order[index + 32]]);
    if (index + 16 < m_order.size())
        __builtin_prefetch(m_bytes.data() + (m_uniform ? m_order[index + 16] * m_stride : m_starts[m_order[index + 16]]));
    return rowAdded(m_order[index]);
}

void ResultList::colourRows(std::size_t rows, int first, int second)
{
    m_stripeRows = std::min(rows, count());
    m_stripeFirst = first;
    m_stripeSecond = second;
}

int ResultList::rowColour(std::size_t index) const
{
    if (index >= m_stripeRows)
        return -1;
    return index % 2 == 0 ? m_stripeFirst : m_stripeSecond;
}

} // namespace quorlix
