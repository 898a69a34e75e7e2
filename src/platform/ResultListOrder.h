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
#include "platform/Worker.h"

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
        for (int b = 0; b < 256; ++b) {
            m_rank[b] = rankOfFolded[foldCase ? foldAscii(static_cast<unsigned char>(b)) : b];
            if (!foldCase && used[b])
                m_byteOfRank[m_rank[b]] = static_cast<unsigned char>(b);
        }
    }

    // Bits a character takes in a key (8: raw bytes).
    int bits() const { return m_bits; }
    // The byte of a rank, undoing key() for a row that is all in its key (not folded).
    unsigned char byteOf(unsigned rank) const { return m_byteOfRank[rank & 0xFF]; }

    // Characters a key holds; a row no longer than this is all in its key,
    // so equal keys then mean equal rows (raw bytes and folded letters never
    // promise it).
    std::size_t wholeUpTo() const { return m_raw || m_fold ? 0 : static_cast<std::size_t>(m_chars); }

    std::uint64_t key(std::string_view row) const
    {
        if (m_raw)
            return rowPrefixKey(row, m_fold);
        std::uint64_t key = 0;
        const std::size_t n = std::min<std::size_t>(row.size(), static_cast<std::size_t>(m_chars));
        if (n == 0)
            return 0; // an empty row: every character slot at rank 0 (and no shift by 64)
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
    unsigned char m_byteOfRank[256] = {};
};

// Runs fn(part) for part 0 .. parts-1, the last on the calling thread and
// the others on threads of their own; parts falls to 1 when no thread can be had.
template <class Fn> void inParts(int parts, const Fn& fn)
{
    std::vector<std::thread> threads;
    for (int part = 0; part + 1 < parts; ++part) {
        try {
            threads.push_back(startWorker([&fn, part] { fn(part); }));
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
// A radix placement that needs no memory beyond out: one counting pass puts
// the row numbers into buckets by the top 16 bits of their keys, in row
// order; each bucket then loads its rows' keys and orders them by a counting
// pass on the next 8 bits and insertion into the few that share those.
// Rows that fit their keys whole (passwords of up to ten letters and digits)
// are never compared as text; longer ones only where all 64 key bits agree.
// Large sets use two threads; rowAt must allow that (it only reads).
//
// repeats, when given, receives (in ascending order) the row numbers whose
// row equals an earlier one: the placement finds them at no extra pass.
template <class RowAt, class Out>
void appendSortedRows(std::uint32_t first, std::uint32_t count, const RowAt& rowAt, bool foldCase, Out& out,
                      std::vector<std::uint32_t>* repeats = nullptr)
{
    const auto fullLess = [&](std::uint32_t a, std::uint32_t b) {
        const int c = compareRows(rowAt(a), rowAt(b), foldCase);
        return c != 0 ? c < 0 : a < b;
    };
    const std::size_t base = out.size();
    if (count < 64) {
        for (std::uint32_t i = 0; i < count; ++i)
            out.push_back(first + i);
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(base), out.end(), fullLess);
        if (repeats) {
            for (std::size_t k = base + 1; k < out.size(); ++k)
                if (rowAt(out[k]) == rowAt(out[k - 1]))
                    repeats->push_back(out[k]);
            std::sort(repeats->begin(), repeats->end());
        }
        return;
    }
    const int parts = count >= kParallelPlacementFrom ? 2 : 1;
    const auto rowsOf = [&](int part) {
        const auto n = static_cast<std::uint64_t>(count);
        return std::pair<std::uint32_t, std::uint32_t>{
            first + static_cast<std::uint32_t>(n * static_cast<unsigned>(part) / static_cast<unsigned>(parts)),
            first + static_cast<std::uint32_t>(n * static_cast<unsigned>(part + 1) / static_cast<unsigned>(parts))};
    };

    // The bytes the rows use, and their longest, for the keys.
    bool usedBy[2][256] = {};
    std::size_t longestOf[2] = {};
    inParts(parts, [&](int part) {
        bool* used = usedBy[part];
        std::size_t longest = 0;
        const auto [from, to] = rowsOf(part);
        for (std::uint32_t i = from; i < to; ++i) {
            const std::string_view row = rowAt(i);
            longest = std::max(longest, row.size());
            for (const char c : row)
                used[static_cast<unsigned char>(c)] = true;
        }
        longestOf[part] = longest;
    });
    bool used[256];
    for (int b = 0; b < 256; ++b)
        used[b] = usedBy[0][b] || usedBy[1][b];
    const RankKeys keys(used, foldCase);
    const bool whole = std::max(longestOf[0], longestOf[1]) <= keys.wholeUpTo();

    std::vector<std::uint32_t> counts[2];
    inParts(parts, [&](int part) {
        std::vector<std::uint32_t>& c = counts[part];
        c.assign(65536, 0);
        const auto [from, to] = rowsOf(part);
        for (std::uint32_t i = from; i < to; ++i)
            ++c[keys.key(rowAt(i)) >> 48];
    });
    std::vector<std::uint32_t> start(65537, 0);
    std::vector<std::uint32_t> next[2];
    {
        for (int part = 0; part < parts; ++part)
            next[part].resize(65536);
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

    // Each part fills its own places in every bucket, after the earlier
    // parts', so every bucket holds its rows in row order.
    out.resize(base + count);
    std::uint32_t* order = out.data() + base;
    inParts(parts, [&](int part) {
        std::uint32_t* to = next[part].data();
        const auto [from, end] = rowsOf(part);
        for (std::uint32_t i = from; i < end; ++i)
            order[to[keys.key(rowAt(i)) >> 48]++] = i;
    });

    // The buckets split where half the rows lie before.
    std::size_t split = 0;
    while (parts > 1 && split < 65536 && start[split] < count / 2)
        ++split;
    std::vector<std::uint32_t> repeatsOf[2];
    inParts(parts, [&](int part) {
        const std::size_t fromBucket = parts == 1 || part == 0 ? 0 : split;
        const std::size_t toBucket = parts == 1 || part == 1 ? 65536 : split;
        struct Keyed {
            std::uint64_t key;
            std::uint32_t row;
            bool operator<(const Keyed& o) const { return key != o.key ? key < o.key : row < o.row; }
        };
        std::vector<Keyed> loaded;
        std::vector<Keyed> placed;
        std::uint32_t ends[257];
        for (std::size_t b = fromBucket; b < toBucket; ++b) {
            const std::uint32_t lo = start[b];
            const std::uint32_t n = start[b + 1] - lo;
            if (n < 2)
                continue;
            std::uint32_t* rows = order + lo;
            loaded.resize(n);
            // Rows are read far apart: ask for them well ahead.
            constexpr std::uint32_t kAhead = 32;
            for (std::uint32_t k = 0; k < n; ++k) {
                if (k + kAhead < n)
                    __builtin_prefetch(rowAt(rows[k + kAhead]).data());
                loaded[k] = Keyed{keys.key(rowAt(rows[k])), rows[k]};
            }
            // Loaded in row order: a stable counting pass on bits 40..47, then
            // insertion (by key, then row) among the few that share them.
            const Keyed* sorted = loaded.data();
            if (n > 32) {
                placed.resize(n);
                std::uint32_t at[256] = {};
                for (std::uint32_t k = 0; k < n; ++k)
                    ++at[(loaded[k].key >> 40) & 0xFF];
                std::uint32_t sum = 0;
                for (int d = 0; d < 256; ++d) {
                    const std::uint32_t c = at[d];
                    at[d] = sum;
                    sum += c;
                    ends[d] = sum;
                }
                for (std::uint32_t k = 0; k < n; ++k)
                    placed[at[(loaded[k].key >> 40) & 0xFF]++] = loaded[k];
                std::uint32_t from = 0;
                for (int d = 0; d < 256; ++d) {
                    if (ends[d] - from > 1)
                        std::sort(placed.data() + from, placed.data() + ends[d]);
                    from = ends[d];
                }
                sorted = placed.data();
            } else {
                std::sort(loaded.begin(), loaded.end());
            }
            for (std::uint32_t k = 0; k < n; ++k)
                rows[k] = sorted[k].row;
            // Keys that agree in all their bits: settled by the rows
            // themselves, unless the keys hold the rows whole.
            std::uint32_t runStart = 0;
            for (std::uint32_t k = 1; k <= n; ++k) {
                if (k == n || sorted[k].key != sorted[runStart].key) {
                    if (k - runStart > 1) {
                        if (!whole)
                            std::sort(rows + runStart, rows + k, fullLess);
                        if (repeats)
                            for (std::uint32_t e = runStart + 1; e < k; ++e)
                                if (whole || rowAt(rows[e]) == rowAt(rows[e - 1]))
                                    repeatsOf[part].push_back(rows[e]);
                    }
                    runStart = k;
                }
            }
        }
        wipeSecret(loaded.data(), loaded.capacity() * sizeof(Keyed));
        wipeSecret(placed.data(), placed.capacity() * sizeof(Keyed));
    });
    if (repeats) {
        for (const auto& found : repeatsOf)
            repeats->insert(repeats->end(), found.begin(), found.end());
        std::sort(repeats->begin(), repeats->end());
    }
}

} // namespace quorlix
