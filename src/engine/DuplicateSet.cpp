#include "engine/DuplicateSet.h"

#include <sys/mman.h>

#include <stdexcept>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/SecretMemory.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorlix
{

namespace
{

constexpr int kSlots = 12;
constexpr unsigned kChunkBits = 22; // 4 MiB chunks
constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
constexpr std::size_t kMaxChunks = std::size_t{1} << (32 - kChunkBits);
// Grow when the table is this full (slots used / slots); buckets of twelve
// with linear probing stay at about one bucket per lookup up to here.
constexpr std::size_t kLoadNumerator = 17;
constexpr std::size_t kLoadDenominator = 20;
constexpr std::size_t kMinBuckets = 16;

constexpr std::uint64_t kP0 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kP1 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kP2 = 0x165667B19E3779F9ull;

inline std::uint64_t fold(std::uint64_t a, std::uint64_t b)
{
    const DuplicateSetWide p = static_cast<DuplicateSetWide>(a) * b;
    return static_cast<std::uint64_t>(p) ^ static_cast<std::uint64_t>(p >> 64);
}

inline std::uint64_t load64(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t load32(const char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Tag 0 marks a free slot, so hashes whose low byte is 0 use tag 1.
inline std::uint8_t tagOf(std::uint64_t hash)
{
    const auto t = static_cast<std::uint8_t>(hash);
    return t == 0 ? 1 : t;
}

std::size_t bucketsFor(std::size_t count)
{
    const std::size_t slots = (count * kLoadDenominator + kLoadNumerator - 1) / kLoadNumerator;
    const std::size_t buckets = (slots + kSlots - 1) / kSlots + 1;
    return buckets < kMinBuckets ? kMinBuckets : buckets;
}

} // namespace

std::uint64_t hashBytes(const char* p, std::size_t n)
{
    std::uint64_t seed = kP0 ^ (n * kP2);
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (n <= 16) {
        if (n >= 8) {
            a = load64(p);
            b = load64(p + n - 8);
        } else if (n >= 4) {
            a = load32(p);
            b = load32(p + n - 4);
        } else if (n > 0) {
            a = (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
                (std::uint64_t{static_cast<unsigned char>(p[n >> 1])} << 8) | static_cast<unsigned char>(p[n - 1]);
        }
    } else {
        std::size_t left = n;
        while (left > 16) {
            seed = fold(load64(p) ^ kP1, load64(p + 8) ^ seed);
            p += 16;
            left -= 16;
        }
        a = load64(p + left - 16);
        b = load64(p + left - 8);
    }
    return fold(kP1 ^ n, fold(a ^ kP1, b ^ seed));
}

// One cache line: the tags first so a single 16-byte load compares them all.
struct alignas(64) DuplicateSet::Bucket {
    std::uint8_t tags[kSlots];
    std::uint32_t unused;
    std::uint32_t refs[kSlots];

    // Bit i set when slot i holds tag (bits 0..11).
    unsigned match(std::uint8_t tag) const
    {
#if defined(__SSE2__)
        const __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(tags));
        const auto bits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(t, _mm_set1_epi8(static_cast<char>(tag)))));
        return bits & 0xFFFu;
#else
        unsigned bits = 0;
        for (int i = 0; i < kSlots; ++i)
            bits |= static_cast<unsigned>(tags[i] == tag) << i;
        return bits;
#endif
    }
    // Slots fill in order, so the first free slot is the count of used ones.
    int firstFree() const
    {
        const unsigned free = match(0);
        return free == 0 ? kSlots : __builtin_ctz(free);
    }
};
namespace
{
constexpr std::size_t kHugePage = std::size_t{2} << 20;
} // namespace

TableMemory::TableMemory(std::size_t bytes)
{
    if (bytes >= kHugePage) {
        m_mapping = takeMapping(bytes);
        m_data = m_mapping.data;
        m_size = m_mapping.bytes;
        if (!m_mapping.fresh) {
            // Kept from an earlier table or list: its pages are already in.
            std::memset(m_data, 0, m_size);
            return;
        }
        // Fault every page in now (fresh mappings read as zero): faulting
        // them in one by one at random during a run costs far more.
        bool populated = false;
#ifdef MADV_POPULATE_WRITE
        populated = madvise(m_data, m_size, MADV_POPULATE_WRITE) == 0;
#endif
        if (!populated) {
            auto* page = static_cast<volatile char*>(m_data);
            for (std::size_t at = 0; at < m_size; at += 4096)
                page[at] = 0;
        }
        return;
    }
    const std::size_t size = (bytes + 63) / 64 * 64 + 64;
    m_data = std::aligned_alloc(64, size);
    if (!m_data)
        throw std::bad_alloc();
    std::memset(m_data, 0, size);
    m_size = size;
}

TableMemory::~TableMemory()
{
    if (!m_data)
        return;
    wipeSecret(m_data, m_size);
    if (m_mapping.data) {
        notifyRelease(m_data, m_size);
        giveBackMapping(m_mapping);
    } else {
        std::free(m_data);
    }
}

void TableMemory::swap(TableMemory& other) noexcept
{
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_mapping, other.m_mapping);
}

DuplicateSet::DuplicateSet()
{
    static_assert(sizeof(Bucket) == kBucketBytes);
    rehash(kMinBuckets);
}

DuplicateSet::DuplicateSet(const ResultList& rows) : m_rows(&rows)
{
    rehash(kMinBuckets);
}

DuplicateSet::~DuplicateSet() = default;

std::string_view DuplicateSet::entryAt(std::uint32_t ref) const
{
    if (m_rows)
        return m_rows->rowAdded(ref);
    const char* p = static_cast<const char*>(m_chunks[ref >> kChunkBits].data()) + (ref & (kChunkSize - 1));
    std::size_t len = static_cast<unsigned char>(*p++);
    if (len == 0xFF) {
        len = static_cast<unsigned char>(p[0]) | (static_cast<std::size_t>(static_cast<unsigned char>(p[1])) << 8);
        p += 2;
    }
    return {p, len};
}

DuplicateSet::Found DuplicateSet::find(std::string_view password, std::uint64_t hash) const
{
    const std::uint8_t tag = tagOf(hash);
    std::size_t index = bucketOf(hash);
    for (;;) {
        const Bucket& bucket = m_buckets[index];
        for (unsigned bits = bucket.match(tag); bits != 0; bits &= bits - 1) {
            const int slot = __builtin_ctz(bits);
            if (entryAt(bucket.refs[slot]) == password)
                return {index, slot, true};
        }
        const int free = bucket.firstFree();
        if (free < kSlots)
            return {index, free, false};
        if (++index == m_bucketCount)
            index = 0;
    }
}

bool DuplicateSet::contains(std::string_view password, std::uint64_t hash) const
{
    return find(password, hash).present;
}

bool DuplicateSet::insert(std::string_view password, std::uint64_t hash)
{
    if (m_rows)
        throw std::logic_error("A set over a list takes its entries by row.");
    return enter(password, hash, 0, false);
}

bool DuplicateSet::insertRow(std::string_view password, std::uint64_t hash, std::uint32_t row)
{
    if (!m_rows)
        throw std::logic_error("Only a set over a list takes entries by row.");
    return enter(password, hash, row, true);
}

std::vector<std::size_t> DuplicateSet::enterRows(std::size_t from, std::size_t to)
{
    if (!m_rows)
        throw std::logic_error("Only a set over a list takes entries by row.");
    std::vector<std::size_t> repeats;
    // Hashes of the rows ahead, their buckets loading meanwhile.
    constexpr std::size_t kAhead = 16;
    std::uint64_t hashes[kAhead];
    const auto look = [&](std::size_t row) {
        const std::string_view text = m_rows->rowAdded(row);
        const std::uint64_t hash = hashOf(text);
        hashes[row % kAhead] = hash;
        prefetch(hash);
    };
    for (std::size_t row = from; row < to && row < from + kAhead; ++row)
        look(row);
    for (std::size_t row = from; row < to; ++row) {
        const std::uint64_t hash = hashes[row % kAhead];
        if (!enter(m_rows->rowAdded(row), hash, static_cast<std::uint32_t>(row), true))
            repeats.push_back(row);
        // After the entry: a growing table moves every bucket.
        if (row + kAhead < to)
            look(row + kAhead);
    }
    return repeats;
}

bool DuplicateSet::enter(std::string_view password, std::uint64_t hash, std::uint32_t row, bool isRow)
{
    if (password.size() > kMaxEntrySize)
        throw std::length_error("A password is too long for the duplication check.");
    if (m_size >= m_growAt) {
        if (contains(password, hash))
            return false;
        rehash(m_bucketCount * 2);
    }
    const Found at = find(password, hash);
    if (at.present)
        return false;
    const std::uint32_t ref = isRow ? row : store(password);
    Bucket& bucket = m_buckets[at.bucket];
    bucket.tags[at.slot] = tagOf(hash);
    bucket.refs[at.slot] = ref;
    ++m_size;
    return true;
}

std::uint32_t DuplicateSet::store(std::string_view password)
{
    const std::size_t need = password.size() + (password.size() >= 0xFF ? 3 : 1);
    if (m_chunks.empty() || m_chunkUsed + need > kChunkSize) {
        if (m_chunks.size() == kMaxChunks)
            throw std::length_error("Too many passwords for the duplication check.");
        if (!m_chunks.empty())
            m_chunkEnds.push_back(m_chunkUsed);
        // Huge pages here too: faulting 4 KiB pages one by one while the
        // arena fills costs more than the copies themselves.
        m_chunks.emplace_back(kChunkSize);
        m_chunkUsed = 0;
    }
    char* p = static_cast<char*>(m_chunks.back().data()) + m_chunkUsed;
    if (password.size() >= 0xFF) {
        *p++ = static_cast<char>(0xFF);
        *p++ = static_cast<char>(password.size() & 0xFF);
        *p++ = static_cast<char>(password.size() >> 8);
    } else {
        *p++ = static_cast<char>(password.size());
    }
    if (!password.empty())
        std::memcpy(p, password.data(), password.size());
    const auto ref = static_cast<std::uint32_t>(((m_chunks.size() - 1) << kChunkBits) | m_chunkUsed);
    m_chunkUsed += need;
    return ref;
}

void DuplicateSet::place(std::uint64_t hash, std::uint32_t ref)
{
    std::size_t index = bucketOf(hash);
    for (;;) {
        Bucket& bucket = m_buckets[index];
        const int free = bucket.firstFree();
        if (free < kSlots) {
            bucket.tags[free] = tagOf(hash);
            bucket.refs[free] = ref;
            return;
        }
        if (++index == m_bucketCount)
            index = 0;
    }
}

void DuplicateSet::rehash(std::size_t buckets)
{
    TableMemory old = std::move(m_memory);
    const Bucket* oldBuckets = m_buckets;
    const std::size_t oldCount = m_bucketCount;
    m_memory = TableMemory(buckets * sizeof(Bucket)); // zeroed: every slot free
    m_buckets = static_cast<Bucket*>(m_memory.data());
    m_bucketCount = buckets;
    m_growAt = buckets * kSlots * kLoadNumerator / kLoadDenominator;
    for (std::size_t b = 0; b < oldCount; ++b) {
        const Bucket& bucket = oldBuckets[b];
        for (int slot = 0; slot < kSlots && bucket.tags[slot] != 0; ++slot) {
            const std::string_view entry = entryAt(bucket.refs[slot]);
            place(hashBytes(entry.data(), entry.size()), bucket.refs[slot]);
        }
    }
}

void DuplicateSet::reserve(std::size_t count)
{
    const std::size_t buckets = bucketsFor(count);
    if (buckets > m_bucketCount)
        rehash(buckets);
}

void DuplicateSet::clear()
{
    std::memset(static_cast<void*>(m_buckets), 0, m_bucketCount * sizeof(Bucket));
    m_size = 0;
    // The first chunk is kept for reuse: its passwords are zeroed; the others
    // are zeroed as they go.
    if (!m_chunks.empty())
        wipeSecret(m_chunks.front().data(), m_chunkEnds.empty() ? m_chunkUsed : m_chunkEnds.front());
    if (m_chunks.size() > 1)
        m_chunks.erase(m_chunks.begin() + 1, m_chunks.end());
    m_chunkEnds.clear();
    m_chunkUsed = 0;
}

void DuplicateSet::release()
{
    clear();
    m_chunks.clear();
    m_memory = TableMemory();
    m_buckets = nullptr;
    m_bucketCount = 0;
    rehash(kMinBuckets);
}

std::size_t DuplicateSet::memoryUsage() const
{
    return m_bucketCount * sizeof(Bucket) + m_chunks.size() * kChunkSize;
}

} // namespace quorlix
