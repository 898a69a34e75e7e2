#pragma once
// Ordering of many short text rows held in one buffer: used by the sorted
// display and by the text-file sort. A row is reached through rowAt(i), which
// returns its bytes as a string_view.
//
// Ties between equal rows go by row number, so the order never depends on the
// sort's internals (or on how many threads did it).

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/ResultListBuffer.h"
#include "platform/SecretMemory.h"

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

// Keys that pack more of a row than its first eight bytes: each character
// becomes its rank among the (folded) bytes the rows use, 1 to k, with 0 once
// the row has ended, in as few bits as k needs. Passwords of the 62 letters
// and digits take 6 bits a character, so ten characters fit. Ranks keep the
// byte order, so integer order of keys still never contradicts compareRows.
class RankKeys
{
public:
    // From the set of bytes used; raw bytes when ranks would need 8 bits or more.
    RankKeys(const bool (&used)[256], bool foldCase) : m_fold(foldCase)
    {
        bool folded[256] = {};
        for (int b = 0; b < 256; ++b)
            if (used[b])
                folded[foldCase ? foldAscii(static_cast<unsigned char>(b)) : b] = true;
        int k = 0;
        std::uint8_t rankOfFolded[256] = {};
        for (int b = 0; b < 256; ++b)
            if (folded[b])
                rankOfFolded[b] = static_cast<std::uint8_t>(++k);
        m_bits = std::bit_width(static_cast<unsigned>(k)); // ranks 0..k
        if (m_bits >= 8) {
            m_raw = true;
            return;
        }
        m_bits = std::max(m_bits, 1);
        m_chars = 64 / m_bits;
        for (int b = 0; b < 256; ++b)
            m_rank[b] = rankOfFolded[foldCase ? foldAscii(static_cast<unsigned char>(b)) : b];
    }

    std::uint64_t key(std::string_view row) const
    {
        if (m_raw)
            return rowPrefixKey(row, m_fold);
        std::uint64_t key = 0;
        const std::size_t n = std::min<std::size_t>(row.size(), static_cast<std::size_t>(m_chars));
        for (std::size_t i = 0; i < n; ++i)
            key = (key << m_bits) | m_rank[static_cast<unsigned char>(row[i])];
        // Left-aligned: the first character in the top bits, ended rows padded with rank 0.
        return key << (64 - static_cast<int>(n) * m_bits);
    }

private:
    bool m_fold;
    bool m_raw = false;
    int m_bits = 8;
    int m_chars = 8;
    std::uint8_t m_rank[256] = {};
};

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

// Runs fn(part) for part 0 .. parts-1, the last on the calling thread and
// the others on threads of their own; parts falls to 1 when no thread can be had.
template <class Fn> void inParts(int parts, const Fn& fn)
{
    std::vector<std::thread> threads;
    for (int part = 0; part + 1 < parts; ++part) {
        try {
            threads.emplace_back([&fn, part] { fn(part); });
        } catch (const std::system_error&) {
            for (int rest = part; rest + 1 < parts; ++rest)
                fn(rest);
            break;
        }
    }
    fn(parts - 1);
    for (std::thread& t : threads)
        t.join();
}

// Rows from this many on are placed on both cores.
inline constexpr std::uint32_t kParallelPlacementFrom = 1u << 18;

// Appends the row numbers first .. first+count-1 to out (a std::vector or a
// PodBuffer of uint32_t) in ascending row order, equal rows in row order.
//
// Radix placement: one counting pass buckets the rows by the top 16 bits of
// their keys, and words of (the next 40 key bits, row number) are ordered in
// each bucket by a counting pass on their top byte; integer sorts remain only
// for the few words that share it. Only rows whose keys agree in all 56 bits
// are compared in full, which for passwords of a small alphabet means rows
// that agree in their first nine characters. Large sets use two threads;
// rowAt must allow that (it only reads).
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
    const int parts = count >= kParallelPlacementFrom ? 2 : 1;
    const auto rowsOf = [&](int part) {
        return std::pair<std::uint32_t, std::uint32_t>{
            static_cast<std::uint32_t>(std::uint64_t{count} * static_cast<unsigned>(part) / static_cast<unsigned>(parts)),
            static_cast<std::uint32_t>(std::uint64_t{count} * static_cast<unsigned>(part + 1) /
                                       static_cast<unsigned>(parts))};
    };

    // The bytes the rows use, for the keys.
    bool usedBy[2][256] = {};
    inParts(parts, [&](int part) {
        bool* used = usedBy[part];
        const auto [from, to] = rowsOf(part);
        for (std::uint32_t i = from; i < to; ++i)
            for (const char c : rowAt(first + i))
                used[static_cast<unsigned char>(c)] = true;
    });
    bool used[256];
    for (int b = 0; b < 256; ++b)
        used[b] = usedBy[0][b] || usedBy[1][b];
    const RankKeys keys(used, foldCase);

    constexpr std::uint64_t kLow24 = (1u << 24) - 1;
    std::vector<std::uint32_t> counts[2];
    inParts(parts, [&](int part) {
        std::vector<std::uint32_t>& c = counts[part];
        c.assign(65536, 0);
        const auto [from, to] = rowsOf(part);
        for (std::uint32_t i = from; i < to; ++i)
            ++c[keys.key(rowAt(first + i)) >> 48];
    });
    std::vector<std::uint32_t> start(65537, 0);
    std::vector<std::uint32_t> next[2];
    for (int part = 0; part < parts; ++part)
        next[part].resize(65536);
    {
        std::uint32_t sum = 0;
        for (std::size_t b = 0; b < 65536; ++b) {
            start[b] = sum;
            for (int part = 0; part < parts; ++part) {
                next[part][b] = sum;
                sum += counts[part][b];
            }
        }
        start[65536] = sum;
    }

    // Bucketed by the top 16 bits; each word holds the next 40 above the row
    // number. Each part fills its own places in every bucket, after the
    // earlier parts', so equal words keep their row order.
    PodBuffer<std::uint64_t> words;
    words.resize(count);
    inParts(parts, [&](int part) {
        std::uint32_t* to = next[part].data();
        const auto [from, end] = rowsOf(part);
        for (std::uint32_t i = from; i < end; ++i) {
            const std::uint64_t key = keys.key(rowAt(first + i));
            words[to[key >> 48]++] = ((key >> 8) & 0xFFFFFFFFFFull) << 24 | i;
        }
    });

    out.resize(base + count);
    std::uint32_t* order = out.data() + base;
    // The buckets split where half the rows lie before.
    std::size_t split = 0;
    while (parts > 1 && split < 65536 && start[split] < count / 2)
        ++split;
    inParts(parts, [&](int part) {
        const std::size_t fromBucket = parts == 1 ? 0 : part == 0 ? 0 : split;
        const std::size_t toBucket = parts == 1 ? 65536 : part == 0 ? split : 65536;
        std::vector<std::uint64_t> scratch;
        for (std::size_t b = fromBucket; b < toBucket; ++b) {
            const std::uint32_t lo = start[b];
            const std::uint32_t hi = start[b + 1];
            if (hi - lo > 1)
                sortWords(words.data() + lo, hi - lo, scratch);
            for (std::uint32_t k = lo; k < hi; ++k)
                order[k] = first + static_cast<std::uint32_t>(words[k] & kLow24);
            // Rows that agree in all the bits of their words are settled in full.
            std::uint32_t runStart = lo;
            for (std::uint32_t k = lo + 1; k <= hi; ++k) {
                if (k == hi || (words[k] >> 24) != (words[runStart] >> 24)) {
                    if (k - runStart > 1)
                        std::sort(order + runStart, order + k, fullLess);
                    runStart = k;
                }
            }
        }
        wipeSecret(scratch.data(), scratch.size() * sizeof(std::uint64_t));
    });
}

} // namespace quorlix
