#pragma once
// Index pages of a Jet table: the keys Jet computes for a row's values, a
// reader for the entries of an existing index, and a builder for a fresh
// set of leaf and node pages. Compacting a database copies rows to new pages,
// which moves every row pointer, so each index is rebuilt from its entries.
//
// Index page (both versions; offsets J3 / J4, little-endian):
//   0 type (0x04 leaf, 0x03 node), 1 0x01, 2 u16 free space,
//   4 u32 table definition page, J4: 8 u32 unknown (0),
//   8 / 12 u32 previous page and 12 / 16 u32 next page at this level (0 none),
//   16 / 20 u32 tail: on the rightmost node page of a level, its last child,
//   20 u8 / 24 u16 length of the prefix every entry of the page shares,
//   J3 21: 0x01 on node pages, 0 on leaves,
//   0x16 / 0x1B bitmap: bit i set = an entry ends i bytes after the entries,
//   0xF8 / 0x1E0 the entries, sorted by their bytes. The first is stored
//   whole, the others without the shared prefix.
// Leaf entry = key, then the row's page (3 bytes big-endian) and row number.
// Node entry = the whole last entry of a child page, then the child's page
// number (u32 big-endian).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"
#include "platform/jet/JetFormat.h"

namespace quorlix::jet
{

// Pages of a database file, read on demand.
class PageSource
{
public:
    virtual ~PageSource() = default;
    // The whole page into out; false when it cannot be read.
    virtual bool read(std::uint32_t page, std::string* out) = 0;
    virtual std::uint32_t pageCount() const = 0;
};

// A database file read with pread; pageCount() is 0 when it cannot be opened.
class FilePageSource : public PageSource
{
public:
    FilePageSource(const std::string& path, std::uint32_t pageSize);
    ~FilePageSource() override;
    FilePageSource(const FilePageSource&) = delete;
    FilePageSource& operator=(const FilePageSource&) = delete;
    bool read(std::uint32_t page, std::string* out) override;
    std::uint32_t pageCount() const override { return m_pages; }

private:
    int m_fd = -1;
    std::uint32_t m_pageSize;
    std::uint32_t m_pages = 0;
};

// One column of an index: its Jet type code (ColumnType values), its order,
// and for Text its sort order (only General, 0x0409, is known here).
struct KeyColumn {
    std::uint8_t type = 0;
    bool descending = false;
    std::uint16_t sortOrder = kSortGeneral;
};

// Appends one column's part of an index key. value is the column as the row
// stores it: a fixed column's bytes (little-endian), Text as stored (Jet 3
// cp1252; Jet 4 UCS-2 or the FF FE compressed form); nullopt is Null. A
// Boolean is true for "\x01" and false for "\x00" or nullopt (Jet keys
// Booleans as never Null). Types computed: Boolean, Byte, Integer, Long,
// Currency, Single, Double, Date/Time, Text. Text characters limited to
// printable ASCII (other characters take extra code sections). false when
// the key cannot be computed here (another type, another sort order, such a
// character); entry is then unspecified.
bool appendColumnKey(const Format& format, const KeyColumn& column, std::optional<std::string_view> value,
                     std::string* entry);

struct IndexEntry {
    std::string key;
    std::uint32_t page = 0;
    std::uint8_t row = 0;
};

// Whether a sorts before b in an index: by the bytes of the whole entry (key,
// then the row pointer), as Jet orders them.
bool entryLess(const IndexEntry& a, const IndexEntry& b);

// Every leaf entry of an index, in index order, prefix compression undone:
// down from rootPage through the first entry (or the tail) of each node to
// the first leaf, then along the next pointers. Corruption, naming the page,
// for a page that is not an index page of tdefPage, a loop, entries running
// past their page, a page beyond the file.
Status readIndexEntries(const Format& format, PageSource& pages, std::uint32_t rootPage, std::uint32_t tdefPage,
                        std::vector<IndexEntry>* entries);

// Leaf and node pages holding entries (sorted here with entryLess), numbered
// firstPage, firstPage + 1, ...: the leaves first, then each node level, the
// root last. Leaves are filled as far as they go and share prefixes as Jet
// does; node pages are stored without prefix compression, as the Jet 3
// engine writes them. No entries: one empty leaf.
struct IndexPages {
    std::vector<std::string> pages;
    std::uint32_t root = 0;
};
IndexPages buildIndexPages(const Format& format, std::uint32_t tdefPage, std::vector<IndexEntry> entries,
                           std::uint32_t firstPage);

} // namespace quorlix::jet
