#include "platform/ResultList.h"

#include <algorithm>

namespace quorlix {

void ResultList::clear()
{
    m_bytes.clear();
    m_offsets.assign(1, 0);
    m_order.clear();
    m_placed = 0;
    m_stripeRows = 0;
    notify();
}

void ResultList::add(std::string_view row)
{
    m_bytes.insert(m_bytes.end(), row.begin(), row.end());
    m_offsets.push_back(m_bytes.size());
    if (m_updating)
        notify();
}

void ResultList::reserve(std::size_t rows, std::size_t bytes)
{
    m_offsets.reserve(rows + 1);
    m_bytes.reserve(bytes);
}

void ResultList::setSorted(bool on)
{
    if (on != m_sorted) {
        m_sorted = on;
        m_order.clear();
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
    if (!m_sorted || m_placed == count())
        return;
    const std::size_t n = count();
    auto less = [this](std::uint32_t a, std::uint32_t b) { return rowAdded(a) < rowAdded(b); };
    const std::size_t firstNew = m_order.size();
    for (std::size_t i = firstNew; i < n; ++i)
        m_order.push_back(static_cast<std::uint32_t>(i));
    std::sort(m_order.begin() + static_cast<std::ptrdiff_t>(firstNew), m_order.end(), less);
    std::inplace_merge(m_order.begin(), m_order.begin() + static_cast<std::ptrdiff_t>(firstNew), m_order.end(), less);
    m_placed = n;
}

std::string_view ResultList::row(std::size_t index) const
{
    if (!m_sorted)
        return rowAdded(index);
    placeRows();
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
