#pragma once
// The passwords already accepted in a run (or in the current file of a
// multi-file run), for the duplication check: exact, case-sensitive byte
// equality, separators included.
//
// A run may hold 10,000,000 passwords and asks once per candidate, so this is
// an open-addressing table built for that size rather than a node-based set:
//   - the password bytes live in an arena of large chunks, each entry a 1- or
//     3-byte length followed by the bytes (no std::string per entry, no
//     reallocation copies of the whole store);
//   - the table is an array of 64-byte buckets, one cache line each, holding
//     12 one-byte hash tags and 12 arena references. A lookup reads one
//     bucket in the common case and touches the arena only when a tag
//     matches (about one candidate in twenty at full load);
//   - buckets are probed linearly; an entry always sits in the first bucket
//     of its probe sequence that had room, so a bucket with a free slot ends
//     a search.
// 10,000,000 passwords of 10 characters take about 110 MB of arena and 63 MB
// of table after reserve(10'000'000).
//
// A run into the display already holds every accepted password in its
// ResultList: a set made over that list keeps no copies, its references are
// row numbers (the table alone, 63 MB at ten million).
//
// Nothing is ever removed except by clear(). Not thread-safe.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/LargeMemory.h"
#include "platform/ResultList.h"

namespace quorlix
{

__extension__ typedef unsigned __int128 DuplicateSetWide;

// A fast 64-bit hash of a byte string (multiply-fold mixing, 16 bytes a round).
// Not keyed: the passwords it sees are random, so flooding is not a concern.
std::uint64_t hashBytes(const char* data, std::size_t size);

// Zeroed memory for a large table read at random: placed on 2 MiB pages when
// the system allows it, since with small pages nearly every probe of a 60 MB
// table would also miss the TLB.
class TableMemory
{
public:
    TableMemory() = default;
    explicit TableMemory(std::size_t bytes); // throws std::bad_alloc
    ~TableMemory();
    TableMemory(TableMemory&& other) noexcept { swap(other); }
    TableMemory& operator=(TableMemory&& other) noexcept
    {
        TableMemory(std::move(other)).swap(*this);
        return *this;
    }
    void* data() const { return m_data; }
    void swap(TableMemory& other) noexcept;

private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
    Mapping m_mapping; // when large; else from aligned_alloc
};

// Cache-line aligned for the same reason as ResultList: a checker thread
// enters rows while the run's thread draws.
class alignas(64) DuplicateSet
{
public:
    // Longest entry accepted; longer ones throw std::length_error.
    static constexpr std::size_t kMaxEntrySize = 65535;
    static constexpr std::size_t kBucketBytes = 64; // one cache line

    DuplicateSet();
    // Over the rows of a list: entry r is rows.rowAdded(r). Entries are made
    // with insertRow(); the list must keep those rows until clear().
    explicit DuplicateSet(const ResultList& rows);
    ~DuplicateSet();
    DuplicateSet(const DuplicateSet&) = delete;
    DuplicateSet& operator=(const DuplicateSet&) = delete;

    // Adds the password; true when it was not there before, false when an
    // equal one was (the set is then unchanged). Throws std::length_error when
    // the entry is longer than kMaxEntrySize or the arena passes 4 GiB.
    bool insert(std::string_view password) { return insert(password, hashOf(password)); }
    bool contains(std::string_view password) const { return contains(password, hashOf(password)); }

    // The same with the hash computed beforehand, so a caller can prefetch()
    // the password's bucket and do other work while memory answers: at
    // 10,000,000 entries nearly every probe misses the caches.
    static std::uint64_t hashOf(std::string_view password) { return hashBytes(password.data(), password.size()); }
    void prefetch(std::uint64_t hash) const
    {
        __builtin_prefetch(static_cast<const char*>(m_memory.data()) + bucketOf(hash) * kBucketBytes);
    }
    bool insert(std::string_view password, std::uint64_t hash);
    bool contains(std::string_view password, std::uint64_t hash) const;
    // A set over a list: adds row (whose text is password) unless an equal
    // row is there. row may be added to the list right after a true result.
    bool insertRow(std::string_view password, std::uint64_t hash, std::uint32_t row);
    // A set over a list: enters its rows from..to-1 in order and returns the
    // numbers of those equal to an earlier row (of the set or among them),
    // which are not entered. Many rows at once go faster than one by one:
    // each row's bucket is loaded well before it is probed.
    std::vector<std::size_t> enterRows(std::size_t from, std::size_t to);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    // Empties the set; keeps the table's memory for the next run when it was
    // sized by reserve(), releases the arena beyond its first chunk.
    void clear();
    // Empties the set and gives all its memory back.
    void release();

    // Sizes the table for count entries so a run of that many never rehashes.
    void reserve(std::size_t count);

    // Bytes held (table and arena), for tests and benchmarks.
    std::size_t memoryUsage() const;

private:
    struct Bucket;
    struct Found {
        std::size_t bucket;
        int slot; // first free slot of that bucket when not found
        bool present;
    };

    Found find(std::string_view password, std::uint64_t hash) const;
    bool enter(std::string_view password, std::uint64_t hash, std::uint32_t row, bool isRow);
    std::uint32_t store(std::string_view password);
    std::string_view entryAt(std::uint32_t ref) const;
    void place(std::uint64_t hash, std::uint32_t ref);
    void rehash(std::size_t buckets);
    std::size_t bucketOf(std::uint64_t hash) const
    {
        return static_cast<std::size_t>((static_cast<DuplicateSetWide>(hash) * m_bucketCount) >> 64);
    }

    const ResultList* m_rows = nullptr;
    TableMemory m_memory;
    Bucket* m_buckets = nullptr;
    std::size_t m_bucketCount = 0;
    std::size_t m_size = 0;
    std::size_t m_growAt = 0; // size at which the table grows

    // Arena: chunks of kChunkSize bytes; a reference is chunk << kChunkBits | offset.
    std::vector<TableMemory> m_chunks;
    std::vector<std::size_t> m_chunkEnds; // bytes used in each full chunk
    std::size_t m_chunkUsed = 0;          // bytes used in the last chunk
};

} // namespace quorlix
