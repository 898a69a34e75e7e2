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
    // failing the copy; so are Memo and OLE values, which become Null. Records on pages a table's page map does not
    // list fail even then, as they may well be readable.
    bool salvage = false;
};

// What the copy did to one table.
struct TableCopy {
    std::string name;
    std::uint64_t rows = 0;     // records written
    std::uint64_t expected = 0; // records the source holds
    std::uint64_t indexes = 0;  // indexes rebuilt
    std::uint64_t emptied = 0;  // salvage: Memo and OLE values that could not be read, now Null
};

// Copies source into target, a new or empty file (callers write to a
// temporary name and rename it into place afterwards). Unsupported, naming the object and
// why, for what cannot be copied (encrypted files, ACE formats, an index key
// this program cannot build); Corruption for what cannot be read completely.
Status copyDatabase(const std::string& source, const std::string& target, const CopyOptions& options,
                    std::vector<TableCopy>* tables);

} // namespace quorlix::jet
