#pragma once
// Anonymous mappings for the large tables of a run (the result list's text
// and order, the duplication check's table, sort scratch). A run of ten
// million passwords fills hundreds of megabytes; faulting in and zeroing
// fresh pages for it costs about as much as drawing the passwords. So:
//   - mappings of 2 MiB and more start on a 2 MiB boundary and ask for huge
//     pages (one fault per 2 MiB where the kernel allows it);
//   - a mapping given back is kept for the next run of the process (the
//     window runs many) instead of being unmapped, up to a limit. Its pages
//     stay faulted in.
// Every mapping is kept out of core dumps and forked children. Whoever gives
// a mapping back must already have wiped what it wrote there that was secret;
// a mapping taken from the kept ones has unspecified contents.
//
// Thread-safe.

#include <atomic>
#include <cstddef>

namespace quorlix
{

struct Mapping {
    void* data = nullptr;
    std::size_t bytes = 0; // whole pages
    bool fresh = false;    // new from the system, so all zero
};

// At least bytes. Throws std::bad_alloc.
Mapping takeMapping(std::size_t bytes);
// The same contents in a mapping of at least bytes (moved if it must be).
// Throws std::bad_alloc; the old mapping then stays valid.
Mapping growMapping(const Mapping& mapping, std::size_t bytes);
// Kept for reuse when large enough and within the limit, else unmapped.
void giveBackMapping(const Mapping& mapping);

// Faults in the pages of [data, data + bytes) for writing without changing
// what they hold, a few megabytes at a time, until done or stop is set: a
// helper can make the pages of a buffer that another thread is filling before
// that thread reaches them. Does nothing where the system cannot do it so.
void populatePages(void* data, std::size_t bytes, const std::atomic<bool>& stop);

// Bytes kept for reuse now, and unmapping them all (tests; before a run that
// needs more memory than it keeps).
std::size_t keptMappingBytes();
void dropKeptMappings();

} // namespace quorlix
