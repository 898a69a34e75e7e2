#pragma once
// Encoders for the on-disk structures of a Jet 3 or Jet 4 database, one per
// structure: page 0, data pages and rows, table definitions with their
// column descriptors, usage maps (inline and by reference), index leaves and
// property blobs. They only produce bytes; which page goes where is the
// writer's business (JetWriter.cpp). FORMAT.md describes the layouts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/Jet.h"

namespace quorlix::jet
{

// The numbers that differ between the two versions.
struct Format {
    JetVersion version;
    std::uint32_t pageSize;           // 2048 / 4096
    std::uint32_t maxPages;           // 1 GiB / 2 GiB worth of pages
    std::uint32_t maskedSize;         // bytes of page 0 under the RC4 mask, from 0x18
    std::uint32_t passwordSize;       // bytes at 0x42
    std::uint32_t dataRowCountOffset; // data page: u16 row count
    std::uint32_t mapRowSize;         // one usage-map row
    std::uint32_t tdefHeaderSize;     // fixed part of a table definition
    std::uint32_t columnSize;         // one column descriptor
    std::uint32_t indexBitmapOffset;  // index page: entry-end bitmap
    std::uint32_t indexEntriesOffset; // index page: first entry
    std::uint32_t maxRowSize;         // largest row we place on a data page

    bool isJet4() const { return version == JetVersion::Jet4; }
    std::uint32_t dataHeaderSize() const { return dataRowCountOffset + 2; }
    // Pages one bitmap covers: inline map row, or a whole 0x05 page.
    std::uint32_t inlineMapPages() const { return (mapRowSize - 5) * 8; }
    std::uint32_t bitmapPagePages() const { return (pageSize - 4) * 8; }
    std::uint32_t referencePointers() const { return (mapRowSize - 1) / 4; }
};
const Format& formatOf(JetVersion version);

constexpr std::uint32_t kMaxRowsPerPage = 255; // row numbers are one byte in pointers
constexpr std::uint16_t kSortGeneral = 0x0409;
constexpr std::uint16_t kCodePage1252 = 1252;
constexpr std::size_t kMaxNameLength = 64;

// ---- Text ------------------------------------------------------------------

// UTF-8 to code page 1252; false when the text is not UTF-8 or holds a
// character 1252 has no byte for.
bool utf8ToCp1252(std::string_view utf8, std::string* out);
// UTF-8 to UCS-2 little-endian; false when not UTF-8 or outside the BMP.
bool utf8ToUcs2(std::string_view utf8, std::string* out);
// Jet 4 "compressed unicode": FF FE then one byte per character, used only
// when every character is 1..255 and the result is shorter; else ucs2 as is.
void compressUcs2(std::string_view ucs2, std::string* out);
// A name or value in the version's column encoding (cp1252 / UCS-2, no
// compression); false as for the converters above.
bool encodeText(const Format& format, std::string_view utf8, std::string* out);
// The code of the first character of utf8 the version cannot store ("0x416";
// for a byte that is not UTF-8, the byte: "0xFF"), empty when there is none.
// Messages name characters so, as they may be invisible.
std::string unencodableCharacter(const Format& format, std::string_view utf8);
// Characters in valid UTF-8.
std::size_t utf8Length(std::string_view utf8);

// ---- Page 0 -----------------------------------------------------------------

// The whole database definition page, masked. password is already in the
// file's text encoding and at most passwordSize bytes (Jet 4: before the
// date mask, which this applies). creationDate is an OLE date (Jet 4 only).
std::string encodeHeaderPage(const Format& format, std::string_view password, double creationDate);
// Removes the mask from a copy of page 0 (self-checks, tests).
std::string unmaskHeaderPage(const Format& format, std::string_view page);

// ---- Columns, rows, data pages ---------------------------------------------

enum ColumnCode : std::uint8_t {
    kBoolean = 1,
    kByte = 2,
    kInteger = 3,
    kLong = 4,
    kCurrency = 5,
    kSingle = 6,
    kDouble = 7,
    kDateTime = 8,
    kBinary = 9,
    kText = 10,
    kOle = 11,
    kMemo = 12,
    kGuid = 15,    // Replication ID
    kNumeric = 16, // Decimal, Jet 4 only
};

// Column flags as Jet stores them.
constexpr std::uint8_t kColumnFixed = 0x01;
constexpr std::uint8_t kColumnNullable = 0x02;
constexpr std::uint8_t kColumnAutoNumber = 0x04;
constexpr std::uint8_t kColumnSystem = 0x10;
constexpr std::uint8_t kColumnSid = 0x20;
constexpr std::uint8_t kColumnCompressed = 0x01; // Jet 4 extra flags byte

struct ColumnDef {
    std::uint8_t type = kText;
    std::string name;            // UTF-8
    std::uint16_t size = 0;      // bytes (Text: characters x bytes per character)
    std::uint8_t flags = 0;      // kColumn*; kColumnFixed is set by layoutColumns
    std::uint8_t extraFlags = 0; // Jet 4 only
    bool userNumbering = true;   // user tables repeat the column number at +5
    std::uint8_t precision = 0;  // Decimal only
    std::uint8_t scale = 0;
    // Filled by layoutColumns():
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;    // variable: slot in the var table; fixed: var columns before it
    std::uint16_t fixedOffset = 0; // fixed: offset from the byte after num_cols
    bool isFixed() const;
    std::uint16_t fixedWidth() const; // bytes in the fixed area (0 for Boolean)
};

struct RowLayout {
    std::uint32_t fixedSize = 0;
    std::uint32_t varCount = 0;
};
// Numbers the columns in order and assigns var slots and fixed offsets.
RowLayout layoutColumns(std::vector<ColumnDef>* columns);

// Encodes one row into out (replacing its contents). values has one entry per
// column: nullopt is Null (for Boolean: False); fixed values are exactly
// fixedWidth() bytes; variable values are already in the column's encoding.
void encodeRow(const Format& format, const std::vector<ColumnDef>& columns, const RowLayout& layout,
               const std::optional<std::string_view>* values, std::string* out);
// Row size of encodeRow for a row whose variable data totals varBytes.
std::size_t rowSize(const Format& format, const RowLayout& layout, std::size_t columnCount, std::size_t varBytes);

// Fills one data page from the back; the shape of a block builder.
class DataPageBuilder
{
public:
    // owner: the table's definition page; 0 for usage-map rows, 1 for the
    // global map page, kLongValueOwner for long-value pages.
    DataPageBuilder(const Format& format, std::uint32_t owner);
    ~DataPageBuilder(); // zeroes the page: its rows may be passwords
    DataPageBuilder(const DataPageBuilder&) = delete;
    DataPageBuilder& operator=(const DataPageBuilder&) = delete;
    void reset(std::uint32_t owner);
    // Room for a row of rowBytes plus its slot, and a free row number.
    bool fits(std::size_t rowBytes) const;
    // Precondition: fits(row.size()). Returns the row's number on the page.
    std::uint32_t add(std::string_view row);
    std::uint32_t rowCount() const { return m_rows; }
    bool empty() const { return m_rows == 0; }
    // The finished page; valid until the next add/reset.
    const std::string& finish();

private:
    const Format& m_format;
    std::string m_page;
    std::uint32_t m_rows = 0;
    std::uint32_t m_top; // start of the lowest row
};
constexpr std::uint32_t kLongValueOwner = 0x4C41564C; // "LVAL" read as u32

// ---- Usage maps --------------------------------------------------------------

struct PageRange {
    std::uint32_t first;
    std::uint32_t last; // inclusive
};
using PageSet = std::vector<PageRange>; // sorted, disjoint
// Adds a page after every page of the set.
void addPage(PageSet* set, std::uint32_t page);

// Inline map: u8 0, u32 start page (a multiple of 8), bitmap. Fits when every
// page of the set lies within inlineMapPages() of the start.
bool inlineMapFits(const Format& format, const PageSet& set);
std::string encodeInlineMap(const Format& format, const PageSet& set);
// The same with a given start page. Precondition: the set lies within
// inlineMapPages() from start.
std::string encodeInlineMap(const Format& format, const PageSet& set, std::uint32_t start);
// Reference map: u8 1, then a u32 per 0x05 page (0 = none).
std::string encodeReferenceMap(const Format& format, const std::vector<std::uint32_t>& bitmapPages);
// The 0x05 page for slot index of a reference map: covers pages
// index*bitmapPagePages() onwards.
std::string encodeBitmapPage(const Format& format, std::uint32_t index, const PageSet& set);
// Slots of a reference map the set touches.
std::vector<std::uint32_t> bitmapSlots(const Format& format, const PageSet& set);

// Page 1 of a file whose pages below end are all in use: its global map
// marks the pages past the end free. A file larger than an inline map covers
// needs bitmap pages; they are appended to bitmaps and belong at pages end,
// end + 1, ... (counted as in use).
std::string encodeGlobalMapPage(const Format& format, std::uint32_t end, std::vector<std::string>* bitmaps);

// ---- Table definitions ----------------------------------------------------

struct RealIndexDef {
    std::vector<std::uint16_t> columns; // up to 10
    std::uint32_t usageMap = 0;         // page/row pointer
    std::uint32_t firstPage = 0;        // root (a single leaf here)
    std::uint8_t flags = 0;             // 0x01 unique, 0x02 ignore nulls, 0x08 required
    std::vector<bool> descending;       // per column; missing = ascending
};
struct LogicalIndexDef {
    std::uint32_t number = 0;
    std::uint32_t realNumber = 0;
    std::uint8_t kind = 0; // 1 primary key
    std::string name;
};
struct LongValueMapDef {
    std::uint16_t column = 0;
    std::uint32_t owned = 0; // page/row pointers
    std::uint32_t free = 0;
};
struct TableDef {
    bool system = false;
    std::uint32_t rowCount = 0;
    std::uint32_t nextAutoNumber = 0;
    std::vector<ColumnDef> columns; // laid out
    std::vector<RealIndexDef> realIndexes;
    std::vector<LogicalIndexDef> logicalIndexes;
    std::vector<LongValueMapDef> longValueMaps;
    std::uint32_t ownedMap = 0; // page/row pointers
    std::uint32_t freeMap = 0;
};
// Length of the definition stream (header included).
std::size_t tableDefinitionSize(const Format& format, const TableDef& def);
// The definition as one page. Precondition: tableDefinitionSize() <= pageSize.
std::string encodeTableDefinition(const Format& format, const TableDef& def);

// ---- Index leaves ------------------------------------------------------------

// Key parts; an entry is its key parts then indexRowPointer().
void appendLongKey(std::string* entry, std::uint32_t value);
// The General sort order of the version (Jet 4: its legacy form); false for
// a character outside printable ASCII, and in Jet 4 for ' and -.
bool appendTextKey(const Format& format, std::string* entry, std::string_view ascii);
void appendIndexRowPointer(std::string* entry, std::uint32_t page, std::uint32_t row);
std::size_t indexLeafCapacity(const Format& format);
// One leaf holding all entries (sorted here). Precondition: their total size
// fits indexLeafCapacity().
std::string encodeIndexLeaf(const Format& format, std::uint32_t tdefPage, std::vector<std::string> entries);

// ---- Properties --------------------------------------------------------------

// ---- Long values ---------------------------------------------------------------

// The 12-byte field of a Memo or OLE value: inline (data appended to it)
// when it is at most inlineLimit bytes, else stored through putRow, which
// places one row on a long-value page and returns its page/row pointer: one
// row when the data fits a page, else a chain of rows, each naming the next.
template <typename PutRow>
std::string storeLongValue(const Format& format, std::string_view data, std::size_t inlineLimit, PutRow&& putRow);

// MSysObjects.LvProp of a table whose listed columns allow zero-length text.
std::string encodeZeroLengthProperties(const Format& format, const std::vector<std::string>& columnNames);

template <typename PutRow>
std::string storeLongValue(const Format& format, std::string_view data, std::size_t inlineLimit, PutRow&& putRow)
{
    constexpr std::uint32_t kInline = 0x80000000u, kSingleRow = 0x40000000u;
    const auto length = static_cast<std::uint32_t>(data.size());
    std::uint32_t pointer = 0;
    std::uint32_t kind = kSingleRow;
    const std::size_t capacity = format.pageSize - format.dataHeaderSize() - 2;
    if (data.size() <= inlineLimit) {
        kind = kInline;
    } else if (data.size() <= capacity) {
        pointer = putRow(data);
    } else {
        kind = 0; // the last piece is written first, so each can name the next
        const std::size_t piece = capacity - 4;
        std::string row;
        for (std::size_t i = (data.size() + piece - 1) / piece; i-- > 0;) {
            row.assign(4, '\0');
            for (int b = 0; b < 4; ++b)
                row[static_cast<std::size_t>(b)] = static_cast<char>(pointer >> (8 * b));
            row.append(data.substr(i * piece, piece));
            pointer = putRow(std::string_view(row));
        }
    }
    std::string field(12, '\0');
    const std::uint32_t head = length | kind;
    for (int b = 0; b < 4; ++b) {
        field[static_cast<std::size_t>(b)] = static_cast<char>(head >> (8 * b));
        field[static_cast<std::size_t>(4 + b)] = static_cast<char>(pointer >> (8 * b));
    }
    if (kind == kInline)
        field.append(data);
    return field;
}

} // namespace quorlix::jet
