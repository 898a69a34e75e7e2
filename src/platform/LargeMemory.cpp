#include "platform/LargeMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "platform/SecretMemory.h"

namespace quorlix
{

namespace
{

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Smaller mappings are cheap to make again; larger ones than the limit would
// hold too much memory between runs.
constexpr std::size_t kKeepFrom = std::size_t{1} << 20;
constexpr std::size_t kKeepAtMost = std::size_t{768} << 20;
constexpr std::size_t kKeepMappings = 8;

std::size_t roundUp(std::size_t bytes, std::size_t to)
{
    return (bytes + to - 1) / to * to;
}

std::size_t sizeFor(std::size_t bytes)
{
    return bytes >= kHugePage ? roundUp(bytes, kHugePage) : roundUp(std::max<std::size_t>(bytes, 1), kPage);
}

void advise(void* data, std::size_t bytes)
{
    adviseSecret(data, bytes);
#ifdef MADV_HUGEPAGE
    if (bytes >= kHugePage)
        ::madvise(data, bytes, MADV_HUGEPAGE);
#endif
}

Mapping mapFresh(std::size_t size)
{
    if (size < kHugePage) {
        void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        advise(p, size);
        return {p, size, true};
    }
    // A huge page more than needed, trimmed at both ends to a 2 MiB boundary.
    void* raw = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto* base = static_cast<char*>(raw);
    const auto misalign = reinterpret_cast<std::uintptr_t>(base) % kHugePage;
    const std::size_t head = misalign == 0 ? 0 : kHugePage - misalign;
    if (head > 0)
        ::munmap(base, head);
    if (kHugePage - head > 0)
        ::munmap(base + head + size, kHugePage - head);
    advise(base + head, size);
    return {base + head, size, true};
}

struct Kept {
    std::mutex mutex;
    std::vector<Mapping> mappings;
    std::size_t bytes = 0;
};

Kept& kept()
{
    static Kept* k = new Kept; // never destroyed: mappings may be given back during exit
    return *k;
}

} // namespace

Mapping takeMapping(std::size_t bytes)
{
    const std::size_t size = sizeFor(bytes);
    if (size >= kKeepFrom) {
        Kept& k = kept();
        std::unique_lock lock(k.mutex);
        {
            // The smallest that is large enough without being far larger,
            // else the largest of the smaller ones, grown.
            auto best = k.mappings.end();
            for (auto it = k.mappings.begin(); it != k.mappings.end(); ++it) {
                if (it->bytes >= size && it->bytes <= 2 * size + kHugePage &&
                    (best == k.mappings.end() || it->bytes < best->bytes))
                    best = it;
            }
            if (best == k.mappings.end()) {
                for (auto it = k.mappings.begin(); it != k.mappings.end(); ++it) {
                    if (it->bytes < size && (best == k.mappings.end() || it->bytes > best->bytes))
                        best = it;
                }
            }
            if (best == k.mappings.end())
                return mapFresh(size);
            Mapping m = *best;
            k.mappings.erase(best);
            k.bytes -= m.bytes;
            lock.unlock();
            m.fresh = false;
            if (m.bytes >= size)
                return m;
            try {
                return growMapping(m, size);
            } catch (const std::bad_alloc&) {
                giveBackMapping(m);
                throw;
            }
        }
    }
    return mapFresh(size);
}

Mapping growMapping(const Mapping& mapping, std::size_t bytes)
{
    if (!mapping.data)
        return takeMapping(bytes);
    const std::size_t size = sizeFor(bytes);
    if (size <= mapping.bytes)
        return mapping;
    void* p = ::mremap(mapping.data, mapping.bytes, size, MREMAP_MAYMOVE);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    advise(p, size); // the pages added need it; the old ones keep theirs
    return {p, size, false};
}

void giveBackMapping(const Mapping& mapping)
{
    if (!mapping.data)
        return;
    if (mapping.bytes >= kKeepFrom && mapping.bytes <= kKeepAtMost) {
        Kept& k = kept();
        std::lock_guard lock(k.mutex);
        // Room is made by unmapping the smallest kept ones first.
        while (!k.mappings.empty() &&
               (k.mappings.size() >= kKeepMappings || k.bytes + mapping.bytes > kKeepAtMost)) {
            auto smallest = std::min_element(k.mappings.begin(), k.mappings.end(),
                                             [](const Mapping& a, const Mapping& b) { return a.bytes < b.bytes; });
            if (smallest->bytes > mapping.bytes)
                break;
            ::munmap(smallest->data, smallest->bytes);
            k.bytes -= smallest->bytes;
            k.mappings.erase(smallest);
        }
        if (k.mappings.size() < kKeepMappings && k.bytes + mapping.bytes <= kKeepAtMost) {
            k.mappings.push_back(mapping);
            k.bytes += mapping.bytes;
            return;
        }
    }
    ::munmap(mapping.data, mapping.bytes);
}

void populatePages(void* data, std::size_t bytes, const std::atomic<bool>& stop)
{
#ifdef MADV_POPULATE_WRITE
    // In pieces: the call holds the process's memory map while it runs, and
    // other threads' mappings (an allocator's arena, a stack) wait for it.
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    auto* at = static_cast<char*>(data);
    const auto first = reinterpret_cast<std::uintptr_t>(at) / kPage * kPage;
    const auto end = reinterpret_cast<std::uintptr_t>(at) + bytes;
    for (std::uintptr_t from = first; from < end && !stop.load(std::memory_order_relaxed); from += kPiece) {
        const std::size_t length = std::min<std::size_t>(kPiece, end - from);
        if (::madvise(reinterpret_cast<void*>(from), length, MADV_POPULATE_WRITE) != 0)
            return;
    }
#else
    (void)data;
    (void)bytes;
    (void)stop;
#endif
}

std::size_t keptMappingBytes()
{
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    return k.bytes;
}

void dropKeptMappings()
{
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    for (const Mapping& m : k.mappings)
        ::munmap(m.data, m.bytes);
    k.mappings.clear();
    k.bytes = 0;
}

} // namespace quorlix
