#pragma once
// Copying a whole Jet 3 or Jet 4 database into a new, compact file: every
// table (the system tables with their queries, relationships, permissions,
// forms and modules too) with its definition, records, long values and
// indexes; page 0 (format, password, sort order, code page) as it is.
//
// Records and definitions are copied byte for byte, so every column type and
// property, deleted-column gaps and AutoNumber counters stay as they were.
// What changes is where things lie: pages are numbered afresh without free
// space or deleted records, long values are stored again, index pages are
// rebuilt for the records' new places, and the references to pages (table
// identifiers in the catalog and the permissions, foreign-key links, usage
// maps) follow.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace quorlix::jet
{

struct CopyOptions {
    // Repair: records that cannot be read are left out and counted instead of
    // failing the copy; so are Memo and OLE values, which become Null, and
    // the records on pages that are lost. A table whose page map cannot be
    // read gets the pages it owns whose records fit its columns.
    bool salvage = false;
};

// What the copy did to one table. Its records are those on the pages its
// page map lists, whatever count its definition stores.
struct TableCopy {
    std::string name;
    std::uint64_t rows = 0;     // records written
    std::uint64_t expected = 0; // records its pages hold: written, unreadable, and those its indexes list on lost pages
    std::uint64_t stored = 0;   // the record count its definition gave
    std::uint64_t indexes = 0;  // indexes rebuilt
    std::uint64_t emptied = 0;  // salvage: Memo and OLE values that could not be read, now Null
    // Salvage: listed pages that could not be read and whose records no index counts.
    std::vector<std::uint32_t> lostPages;
    bool foundByOwner = false; // salvage: the page map could not be read
};

// A table's pages as messages name them: "its page 49", "its pages 49 and
// 50", "7 of its pages".
std::string namePages(const std::vector<std::uint32_t>& pages);

// Copies source into target, a new or empty file (callers write to a
// temporary name and rename it into place afterwards). Unsupported, naming the object and
// why, for what cannot be copied (encrypted files, ACE formats, an index key
// this program cannot build); Corruption for what cannot be read completely.
Status copyDatabase(const std::string& source, const std::string& target, const CopyOptions& options,
                    std::vector<TableCopy>* tables);

} // namespace quorlix::jet
