#pragma once
// Ordering of many short text rows held in one buffer: used by the sorted
// display and by the text-file sort. A row is reached through rowAt(i), which
// returns its bytes as a string_view.
//
// The fast path sorts 64-bit words of (first seven bytes of the row, row
// number) after one bucket pass on the first two bytes, so almost every
// comparison is an integer compare on memory that is already in cache; only
// rows whose first seven bytes agree are compared in full. Ties between equal
// rows go by row number, so the order never depends on the sort's internals.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/ResultListBuffer.h"

namespace quorlix
{

// ASCII letters folded to small letters; other bytes unchanged.
inline unsigned char foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// <0, 0, >0 like memcmp: case-blind (ASCII) first when foldCase, then by byte value.
inline int compareRows(std::string_view a, std::string_view b, bool foldCase)
{
    if (foldCase) {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
            const unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
            if (x != y)
                return x < y ? -1 : 1;
        }
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The first eight bytes of a row, big-endian, short rows padded with zero
// bytes. Integer order of keys never contradicts compareRows.
inline std::uint64_t rowPrefixKey(std::string_view row, bool foldCase)
{
    std::uint64_t key = 0;
    if (row.size() >= 8 && !foldCase) {
        std::memcpy(&key, row.data(), 8);
        if constexpr (std::endian::native == std::endian::little)
            key = __builtin_bswap64(key);
        return key;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char c = i < row.size() ? static_cast<unsigned char>(row[i]) : 0;
        key = (key << 8) | (foldCase ? foldAscii(c) : c);
    }
    return key;
}

// Sorts words ascending: one counting pass on the top byte, then small sorts.
inline void sortWords(std::uint64_t* words, std::size_t n, std::vector<std::uint64_t>& scratch)
{
    if (n <= 256) {
        std::sort(words, words + n);
        return;
    }
    std::size_t end[256] = {};
    for (std::size_t i = 0; i < n; ++i)
        ++end[words[i] >> 56];
    std::size_t next[256];
    std::size_t sum = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        next[b] = sum;
        sum += end[b];
        end[b] = sum;
    }
    if (scratch.size() < n)
        scratch.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        scratch[next[words[i] >> 56]++] = words[i];
    std::memcpy(words, scratch.data(), n * sizeof(std::uint64_t));
    std::size_t from = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        if (end[b] - from > 1)
            std::sort(words + from, words + end[b]);
        from = end[b];
    }
}

// Appends the row numbers first .. first+count-1 to out (a std::vector or a
// PodBuffer of uint32_t) in ascending row order.
template <class RowAt, class Out>
void appendSortedRows(std::uint32_t first, std::uint32_t count, const RowAt& rowAt, bool foldCase, Out& out)
{
    const auto fullLess = [&](std::uint32_t a, std::uint32_t b) {
        const int c = compareRows(rowAt(a), rowAt(b), foldCase);
        return c != 0 ? c < 0 : a < b;
    };
    const std::size_t base = out.size();
    if (count < 64 || count > (1u << 24)) {
        // Small sets, and sets too large to pack a row number into 24 bits.
        for (std::uint32_t i = 0; i < count; ++i)
            out.push_back(first + i);
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(base), out.end(), fullLess);
        return;
    }

    constexpr std::uint64_t kLow24 = (1u << 24) - 1;
    std::vector<std::uint32_t> start(65537, 0);
    for (std::uint32_t i = 0; i < count; ++i)
        ++start[(rowPrefixKey(rowAt(first + i), foldCase) >> 48) + 1];
    for (std::size_t b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];

    // Bucket by the first two bytes; each word holds bytes 3..7 above the row number.
    PodBuffer<std::uint64_t> words;
    words.resize(count);
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t key = rowPrefixKey(rowAt(first + i), foldCase);
            words[next[key >> 48]++] = ((key >> 8) & 0xFFFFFFFFFFull) << 24 | i;
        }
    }

    out.resize(base + count);
    std::uint32_t* order = out.data() + base;
    std::vector<std::uint64_t> scratch;
    for (std::size_t b = 0; b < 65536; ++b) {
        const std::uint32_t lo = start[b];
        const std::uint32_t hi = start[b + 1];
        if (hi - lo > 1)
            sortWords(words.data() + lo, hi - lo, scratch);
        for (std::uint32_t k = lo; k < hi; ++k)
            order[k] = first + static_cast<std::uint32_t>(words[k] & kLow24);
        // Rows that agree on their first seven bytes are settled in full.
        std::uint32_t runStart = lo;
        for (std::uint32_t k = lo + 1; k <= hi; ++k) {
            if (k == hi || (words[k] >> 24) != (words[runStart] >> 24)) {
                if (k - runStart > 1)
                    std::sort(order + runStart, order + k, fullLess);
                runStart = k;
            }
        }
    }
}

} // namespace quorlix
