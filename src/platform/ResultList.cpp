#include "platform/ResultList.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ResultListOrder.h"

namespace quorlix
{

void ResultList::clear()
{
    m_bytes.release();
    m_starts.release();
    m_wraps.clear();
    forgetPlacement();
    m_count = 0;
    m_uniform = true;
    m_stride = 0;
    m_reservedRows = 0;
    m_placed = 0;
    m_stripeRows = 0;
    if (m_follower)
        m_follower->rowsChanged();
    notify();
}

void ResultList::removeRows(const std::vector<std::size_t>& rows)
{
    if (rows.empty())
        return;
    std::size_t kept = rows.front();
    std::size_t next = 0;
    if (m_uniform) {
        // Runs of kept rows move up whole.
        char* bytes = m_bytes.data();
        for (std::size_t i = rows.front(); i < m_count;) {
            if (next < rows.size() && rows[next] == i) {
                ++next;
                ++i;
                continue;
            }
            const std::size_t runEnd = next < rows.size() ? rows[next] : m_count;
            std::memmove(bytes + kept * m_stride, bytes + i * m_stride, (runEnd - i) * m_stride);
            kept += runEnd - i;
            i = runEnd;
        }
        m_bytes.resize(kept * m_stride);
    } else {
        // Rows only move up, so a row is read before anything lands on it.
        std::vector<std::uint32_t> wraps(m_wraps.begin(), m_wraps.end());
        while (!wraps.empty() && wraps.back() > kept)
            wraps.pop_back();
        std::uint64_t at = startOf(kept);
        for (std::size_t i = rows.front(); i < m_count; ++i) {
            if (next < rows.size() && rows[next] == i) {
                ++next;
                continue;
            }
            const std::string_view row = rowAdded(i);
            std::memmove(m_bytes.data() + at, row.data(), row.size());
            while (wraps.size() < (at >> 32))
                wraps.push_back(static_cast<std::uint32_t>(kept));
            m_starts[kept++] = static_cast<std::uint32_t>(at);
            at += row.size();
        }
        m_wraps = std::move(wraps);
        m_starts.resize(kept);
        m_bytes.resize(static_cast<std::size_t>(at));
    }
    m_count = kept;
    forgetPlacement();
    m_stripeRows = std::min(m_stripeRows, m_count);
    if (m_follower)
        m_follower->rowsChanged();
    if (m_updating)
        notify();
}

std::vector<std::size_t> ResultList::repeatedRows() const
{
    std::vector<std::uint32_t> repeats;
    if (m_sorted) {
        forgetPlacement();
        placeRows(&repeats);
    } else {
        // Whether any row repeats, from sorted keys alone when the rows fit them.
        PodBuffer<char> keys;
        bool repeated = true;
        if (!sortKeys(keys, sizeof(std::uint64_t), &repeated, nullptr, nullptr) || repeated)
            namedRepeats(repeats);
    }
    return {repeats.begin(), repeats.end()};
}

void ResultList::recordStarts()
{
    m_uniform = false;
    m_starts.reserve(std::max(m_count + 1, m_reservedRows));
    for (std::size_t i = 0; i < m_count; ++i) {
        const std::uint64_t start = std::uint64_t{i} * m_stride;
        while (m_wraps.size() < (start >> 32))
            m_wraps.push_back(static_cast<std::uint32_t>(i));
        m_starts.push_back(static_cast<std::uint32_t>(start));
    }
}

void ResultList::add(std::string_view row)
{
    if (m_placedAsText)
        forgetPlacement(); // the copy cannot take a row in place: placed afresh
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
    m_reservedRows = rows;
    if (!m_uniform)
        m_starts.reserve(rows);
    m_bytes.reserve(bytes);
}

std::size_t ResultList::memoryUsed() const
{
    return m_bytes.capacity() + m_sortedText.capacity() + m_starts.capacity() * sizeof(std::uint32_t) +
           m_order.capacity() * sizeof(std::uint32_t) + m_wraps.capacity() * sizeof(std::uint32_t);
}

void ResultList::setSorted(bool on)
{
    if (on != m_sorted) {
        m_sorted = on;
        forgetPlacement();
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

void ResultList::placeRows(std::vector<std::uint32_t>* repeats) const
{
    const std::size_t n = count();
    if (!m_sorted || m_placed == n)
        return;
    const auto rowAt = [this](std::uint32_t i) { return rowAdded(i); };
    const std::size_t firstNew = m_placed;
    if (firstNew == 0 && placeAsText(repeats)) {
        m_placed = n;
        return;
    }
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
                     m_order, firstNew == 0 ? repeats : nullptr);
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

void ResultList::forgetPlacement() const
{
    m_order.release();
    m_sortedText.release();
    m_placedAsText = false;
    m_placed = 0;
}

bool ResultList::sortKeys(PodBuffer<char>& buffer, std::size_t bytesPerRow, bool* repeated, int* bitsPerCharacter,
                          std::array<unsigned char, 256>* byteOfRank) const
{
    const std::size_t n = m_count;
    const std::size_t length = m_stride;
    if (!m_uniform || n < kTextPlacementFrom || n > (std::size_t{1} << 32) || length == 0)
        return false;
    const int parts = n >= kParallelPlacementFrom ? 2 : 1;
    const auto rowsOf = [&](int part) {
        return std::pair<std::size_t, std::size_t>{n * static_cast<std::size_t>(part) / static_cast<std::size_t>(parts),
                                                   n * static_cast<std::size_t>(part + 1) /
                                                       static_cast<std::size_t>(parts)};
    };
    const char* bytes = m_bytes.data();

    bool usedBy[2][256] = {};
    inParts(parts, [&](int part) {
        bool* used = usedBy[part];
        const auto [from, to] = rowsOf(part);
        for (const char* p = bytes + from * length; p != bytes + to * length; ++p)
            used[static_cast<unsigned char>(*p)] = true;
    });
    bool used[256];
    for (int b = 0; b < 256; ++b)
        used[b] = usedBy[0][b] || usedBy[1][b];
    const RankKeys keys(used, false);
    if (length > keys.wholeUpTo())
        return false;

    // Keys bucketed by their top 12 bits, each part after the earlier parts.
    constexpr int kTopBits = 12;
    constexpr std::size_t kBuckets = std::size_t{1} << kTopBits;
    std::vector<std::size_t> counts[2];
    inParts(parts, [&](int part) {
        std::vector<std::size_t>& c = counts[part];
        c.assign(kBuckets, 0);
        const auto [from, to] = rowsOf(part);
        for (std::size_t i = from; i < to; ++i)
            ++c[keys.key({bytes + i * length, length}) >> (64 - kTopBits)];
    });
    std::vector<std::size_t> start(kBuckets + 1, 0);
    std::vector<std::size_t> next[2];
    {
        for (int part = 0; part < parts; ++part)
            next[part].resize(kBuckets);
        std::size_t sum = 0;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            start[b] = sum;
            for (int part = 0; part < parts; ++part) {
                next[part][b] = sum;
                sum += counts[part][b];
            }
        }
        start[kBuckets] = sum;
    }
    buffer.resize(n * std::max<std::size_t>(bytesPerRow, sizeof(std::uint64_t)));
    auto* sorted = reinterpret_cast<std::uint64_t*>(buffer.data());
    inParts(parts, [&](int part) {
        std::size_t* to = next[part].data();
        const auto [from, end] = rowsOf(part);
        for (std::size_t i = from; i < end; ++i) {
            const std::uint64_t key = keys.key({bytes + i * length, length});
            sorted[to[key >> (64 - kTopBits)]++] = key;
        }
    });

    // Each bucket in cache: least significant digit first, 8 bits at a time,
    // over the bits below the top 12 that rows use.
    const int lowest = 64 - static_cast<int>(length) * keys.bits();
    bool repeatsIn[2] = {false, false};
    std::size_t split = 0;
    while (parts > 1 && split < kBuckets && start[split] < n / 2)
        ++split;
    inParts(parts, [&](int part) {
        const std::size_t fromBucket = parts == 1 || part == 0 ? 0 : split;
        const std::size_t toBucket = parts == 1 || part == 1 ? kBuckets : split;
        std::vector<std::uint64_t> scratch;
        bool repeatedHere = false;
        for (std::size_t b = fromBucket; b < toBucket; ++b) {
            std::uint64_t* k = sorted + start[b];
            const std::size_t m = start[b + 1] - start[b];
            if (m < 2)
                continue;
            if (m <= 64) {
                std::sort(k, k + m);
            } else {
                scratch.resize(m);
                std::uint64_t* from = k;
                std::uint64_t* to = scratch.data();
                for (int shift = lowest; shift < 64 - kTopBits; shift += 8) {
                    std::size_t at[256] = {};
                    for (std::size_t i = 0; i < m; ++i)
                        ++at[(from[i] >> shift) & 0xFF];
                    if (at[(from[0] >> shift) & 0xFF] == m)
                        continue; // one digit for all: nothing moves
                    std::size_t sum = 0;
                    for (std::size_t& a : at) {
                        const std::size_t c = a;
                        a = sum;
                        sum += c;
                    }
                    for (std::size_t i = 0; i < m; ++i)
                        to[at[(from[i] >> shift) & 0xFF]++] = from[i];
                    std::swap(from, to);
                }
                if (from != k)
                    std::memcpy(k, from, m * sizeof(std::uint64_t));
            }
            for (std::size_t i = 1; i < m && !repeatedHere; ++i)
                repeatedHere = k[i] == k[i - 1];
        }
        wipeSecret(scratch.data(), scratch.capacity() * sizeof(std::uint64_t));
        repeatsIn[part] = repeatedHere;
    });
    *repeated = repeatsIn[0] || repeatsIn[1];
    if (bitsPerCharacter)
        *bitsPerCharacter = keys.bits();
    if (byteOfRank)
        for (unsigned r = 0; r < 256; ++r)
            (*byteOfRank)[r] = keys.byteOf(r);
    return true;
}

bool ResultList::placeAsText(std::vector<std::uint32_t>* repeats) const
{
    const std::size_t n = m_count;
    const std::size_t length = m_stride;
    bool repeated = false;
    int bits = 0;
    std::array<unsigned char, 256> byteOfRank{};
    if (!sortKeys(m_sortedText, length, &repeated, &bits, &byteOfRank))
        return false;

    // Keys back to text, in place: a text row is longer than a key (from the
    // end) or shorter (from the start), so no key is overwritten unread.
    const auto* sorted = reinterpret_cast<const std::uint64_t*>(m_sortedText.data());
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    char* text = m_sortedText.data();
    const auto decode = [&](std::size_t i) {
        const std::uint64_t key = sorted[i];
        char* out = text + i * length;
        for (std::size_t c = 0; c < length; ++c)
            out[c] = static_cast<char>(byteOfRank[(key >> (64 - (c + 1) * static_cast<std::size_t>(bits))) & mask]);
    };
    if (length >= sizeof(std::uint64_t)) {
        for (std::size_t i = n; i-- > 0;)
            decode(i);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            decode(i);
    }
    m_sortedText.resize(n * length);
    m_placedAsText = true;

    if (repeats && repeated)
        namedRepeats(*repeats);
    return true;
}

void ResultList::namedRepeats(std::vector<std::uint32_t>& repeats) const
{
    // Equal rows are rare: their numbers come from a placement by order.
    const auto rowAt = [this](std::uint32_t i) { return rowAdded(i); };
    PodBuffer<std::uint32_t> order(Holds::NoSecrets);
    appendSortedRows(0, static_cast<std::uint32_t>(m_count), rowAt, false, order, &repeats);
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
