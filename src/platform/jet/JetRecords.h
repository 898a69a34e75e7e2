#pragma once
// Reading records, long values and usage maps straight from a database's
// pages, where the copy needs them as stored rather than as libmdb converts
// them, and where the records a table holds must be judged by its pages
// rather than by the count its definition stores.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"

namespace quorlix::jet
{

// The bytes of row `row` of a data page; false when the page has no such live row.
bool rowOnPage(const Format& format, std::string_view page, std::uint32_t row, std::string_view* bytes);

// The data of a Memo or OLE value whose field (12-byte header, then any
// inline data) a record holds; false when its pages cannot be read.
bool readLongValue(const Format& format, PageSource& pages, std::string_view field, std::string* data);

// ---- Record slots --------------------------------------------------------------

// Record slots of a data page: its slot count, capped to the slots that fit
// the page.
std::uint32_t slotCount(const Format& format, std::string_view page);
// Whether slot `row` of a data page holds a record where it lies. Flag 0x4000
// marks a deleted record or a pointer to a record moved elsewhere (0x8000
// then marks the moved record in its new slot); readers skip the former and
// read the latter in place, and so do we.
bool isRecordSlot(const Format& format, std::string_view page, std::uint32_t row);
// The bytes of record slot `row`; false when they do not lie within the page.
bool recordOnPage(const Format& format, std::string_view page, std::uint32_t row, std::string_view* bytes);

// The record slots of data pages, page after page.
class RecordWalk
{
public:
    RecordWalk(const Format& format, PageSource& pages, std::vector<std::uint32_t> pageList);
    // Moves to the next record slot; false at the end, or at a page that
    // cannot be read (failed()).
    bool next();
    bool failed() const { return m_failed; }
    std::uint32_t page() const { return m_index < m_pages.size() ? m_pages[m_index] : 0; }
    std::uint32_t row() const { return m_row; }
    // The current slot's bytes; false when they do not lie within the page.
    bool record(std::string_view* bytes) const { return recordOnPage(m_format, m_page, m_row, bytes); }

private:
    const Format& m_format;
    PageSource& m_source;
    std::vector<std::uint32_t> m_pages;
    std::string m_page;
    std::size_t m_index = 0;
    std::uint32_t m_row = 0;
    bool m_started = false;
    bool m_failed = false;
};

// ---- Usage maps ------------------------------------------------------------------

// The pages a usage map row lists, ascending. false when the row is neither
// kind of map or names a bitmap page that is not one.
bool decodeUsageMap(const Format& format, PageSource& pages, std::string_view row, std::vector<std::uint32_t>* listed);
// The same for the map row a page/row pointer names, which must lie on a
// page of map rows (owner `owner`: 0 for tables' maps, 1 for page 1).
bool readUsageMap(const Format& format, PageSource& pages, std::uint32_t pointer, std::vector<std::uint32_t>* listed,
                  std::uint32_t owner = 0);

// The pages the page map of the table defined on tdefPage lists.
bool readTablePageMap(const Format& format, PageSource& pages, std::uint32_t tdefPage,
                      std::vector<std::uint32_t>* listed);

// The database's own map of free pages (page 1). When it cannot be read,
// no page counts as free.
class FreePageMap
{
public:
    FreePageMap(const Format& format, PageSource& pages);
    bool isFree(std::uint32_t page) const;

private:
    std::vector<std::uint32_t> m_free;
};

// A table's pages as its page map lists them. Records are those on the
// listed data pages the table owns. A listed page that is not one of them is
// free space when the free-page map says so (a map bit left behind), and
// damage otherwise: whatever the table kept there is lost.
struct ListedPages {
    std::vector<std::uint32_t> records;
    std::vector<std::uint32_t> damaged;
    std::uint64_t recordSlots = 0; // on the pages of `records`
};
ListedPages sortListedPages(const Format& format, PageSource& pages, std::uint32_t tdefPage,
                            const std::vector<std::uint32_t>& listed);

} // namespace quorlix::jet
