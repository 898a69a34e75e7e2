#include "platform/jet/JetCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/jet/Jet.h"
#include "platform/jet/JetEncode.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"
#include "platform/jet/JetReader.h"
#include "platform/jet/JetRecords.h"

namespace quorlix::jet
{

namespace
{

constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kMaxDefinitionPages = 64;
constexpr std::uint8_t kLongValueInline = 0x80;

std::string quote(std::string_view s)
{
    return "'" + std::string(s) + "'";
}

// ---- Table definitions ------------------------------------------------------------

struct ColumnDesc {
    std::uint8_t type = 0;
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t size = 0;
    std::uint16_t sortOrder = 0;
    std::uint8_t flags = 0;
    std::string name; // for messages and for finding the catalog's columns
    bool isFixed() const { return flags & kColumnFixed; }
    bool isLongValue() const { return type == kOle || type == kMemo; }
};

struct RealIndexDesc {
    std::vector<std::pair<std::uint16_t, bool>> columns; // column number, descending
    std::size_t at = 0;                                  // offset of the descriptor in the stream
    std::uint32_t root = 0;
    std::uint8_t flags = 0; // 0x01 unique, 0x02 ignore nulls, 0x08 required
};

struct LogicalIndexDesc {
    std::size_t at = 0;
    std::string name;
    std::uint32_t real = 0;
    std::uint32_t relatedTable = 0;
};

struct LongValueMapDesc {
    std::uint16_t column = 0;
    std::size_t at = 0; // offset of the owned-map pointer; the free-map pointer follows
};

struct Definition {
    std::string stream; // the definition, continuation headers left out
    std::vector<std::uint32_t> pages;
    std::uint32_t rowCount = 0;
    std::vector<ColumnDesc> columns;
    std::vector<RealIndexDesc> real;
    std::vector<LogicalIndexDesc> logical;
    std::vector<LongValueMapDesc> longValueMaps;
    std::uint16_t varColumns = 0;
    std::uint16_t maxColumns = 0; // column numbers ever given, deleted columns included
};

struct Offsets {
    std::size_t rowCount, tableType, maxColumns, columnCount, logicalCount, realCount, ownedMap, freeMap, realHeader,
        realHeaderSize, column, realIndex, logicalIndex;
};
const Offsets& offsetsOf(const Format& f)
{
    static const Offsets jet3{12, 20, 21, 25, 27, 31, 35, 39, 43, 8, 18, 39, 20};
    static const Offsets jet4{16, 40, 41, 45, 47, 51, 55, 59, 63, 12, 25, 52, 28};
    return f.isJet4() ? jet4 : jet3;
}

// Reads a name: Jet 3 u8 length and code page 1252, Jet 4 u16 length and UCS-2.
bool readName(const Format& f, std::string_view s, std::size_t* at, std::string* name)
{
    const std::size_t lengthBytes = f.isJet4() ? 2 : 1;
    if (*at + lengthBytes > s.size())
        return false;
    const std::size_t n = f.isJet4() ? getU16(s.data() + *at) : getU8(s.data() + *at);
    *at += lengthBytes;
    if (*at + n > s.size())
        return false;
    const std::string_view raw = s.substr(*at, n);
    *at += n;
    name->clear();
    if (!f.isJet4()) {
        *name = cp1252ToUtf8(raw);
        return true;
    }
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const std::uint32_t c = getU16(raw.data() + i);
        if (c < 0x80) {
            name->push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            name->push_back(static_cast<char>(0xC0 | (c >> 6)));
            name->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            name->push_back(static_cast<char>(0xE0 | (c >> 12)));
            name->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            name->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return true;
}

Status parseDefinition(const Format& f, PageSource& source, std::uint32_t page, std::string_view table, Definition* def)
{
    const Status bad = Status::corruption("The definition of table " + quote(table) + " cannot be read.");
    std::string bytes;
    def->stream.clear();
    def->pages.clear();
    for (std::uint32_t p = page; p != 0;) {
        if (def->pages.size() >= kMaxDefinitionPages ||
            std::find(def->pages.begin(), def->pages.end(), p) != def->pages.end() || !source.read(p, &bytes) ||
            bytes[0] != 0x02 || bytes[1] != 0x01)
            return bad;
        def->pages.push_back(p);
        def->stream.append(bytes, def->stream.empty() ? 0 : 8, std::string::npos);
        p = getU32(bytes.data() + 4);
    }
    const Offsets& o = offsetsOf(f);
    std::string& s = def->stream;
    if (s.size() < o.realHeader)
        return bad;
    const std::uint32_t length = getU32(s.data() + 8);
    def->rowCount = getU32(s.data() + o.rowCount);
    const std::uint32_t columns = getU16(s.data() + o.columnCount);
    def->varColumns = static_cast<std::uint16_t>(getU16(s.data() + o.columnCount - 2));
    def->maxColumns = static_cast<std::uint16_t>(getU16(s.data() + o.maxColumns));
    const std::uint32_t logical = getU32(s.data() + o.logicalCount);
    const std::uint32_t real = getU32(s.data() + o.realCount);
    if (columns > 4096 || logical > 1024 || real > 1024 || length > s.size())
        return bad;
    std::size_t at = o.realHeader + o.realHeaderSize * real;
    def->columns.assign(columns, {});
    for (ColumnDesc& c : def->columns) {
        if (at + o.column > s.size())
            return bad;
        const char* d = s.data() + at;
        c.type = static_cast<std::uint8_t>(d[0]);
        if (f.isJet4()) {
            c.number = static_cast<std::uint16_t>(getU16(d + 5));
            c.varIndex = static_cast<std::uint16_t>(getU16(d + 7));
            c.sortOrder = static_cast<std::uint16_t>(getU16(d + 11));
            // Sort orders of a later version (byte 13) sort text by other codes
            // than the ones computed here: leave their keys to the source's index.
            if (getU8(d + 13) != 0)
                c.sortOrder = 0;
            c.flags = static_cast<std::uint8_t>(d[15]);
            c.fixedOffset = static_cast<std::uint16_t>(getU16(d + 21));
            c.size = static_cast<std::uint16_t>(getU16(d + 23));
        } else {
            c.number = static_cast<std::uint16_t>(getU16(d + 1));
            c.varIndex = static_cast<std::uint16_t>(getU16(d + 3));
            c.sortOrder = static_cast<std::uint16_t>(getU16(d + 9));
            c.flags = static_cast<std::uint8_t>(d[13]);
            c.fixedOffset = static_cast<std::uint16_t>(getU16(d + 14));
            c.size = static_cast<std::uint16_t>(getU16(d + 16));
        }
        at += o.column;
    }
    for (ColumnDesc& c : def->columns)
        if (!readName(f, s, &at, &c.name))
            return bad;
    def->real.assign(real, {});
    const std::size_t lead = f.isJet4() ? 4 : 0;
    for (RealIndexDesc& r : def->real) {
        if (at + o.realIndex > s.size())
            return bad;
        r.at = at;
        for (std::size_t k = 0; k < 10; ++k) {
            const char* slot = s.data() + at + lead + 3 * k;
            const std::uint32_t column = getU16(slot);
            if (column != 0xFFFF)
                r.columns.emplace_back(static_cast<std::uint16_t>(column), static_cast<std::uint8_t>(slot[2]) != 1);
        }
        r.root = getU32(s.data() + at + lead + 34);
        r.flags = static_cast<std::uint8_t>(s[at + (f.isJet4() ? 46 : 38)]) & 0x7F;
        at += o.realIndex;
    }
    def->logical.assign(logical, {});
    for (LogicalIndexDesc& l : def->logical) {
        if (at + o.logicalIndex > s.size())
            return bad;
        l.at = at;
        l.real = getU32(s.data() + at + lead + 4);
        l.relatedTable = getU32(s.data() + at + lead + 13);
        if (l.real >= real)
            return bad;
        at += o.logicalIndex;
    }
    for (LogicalIndexDesc& l : def->logical)
        if (!readName(f, s, &at, &l.name))
            return bad;
    while (at + 2 <= s.size() && getU16(s.data() + at) != 0xFFFF) {
        if (at + 10 > s.size())
            return bad;
        def->longValueMaps.push_back({static_cast<std::uint16_t>(getU16(s.data() + at)), at + 2});
        at += 10;
    }
    // Whatever follows the list is kept as it is; the stored length says where it ends.
    s.resize(std::max<std::size_t>(length, std::min(at + 2, s.size())));
    for (const RealIndexDesc& r : def->real)
        for (const auto& key : r.columns)
            if (std::none_of(def->columns.begin(), def->columns.end(),
                             [&](const ColumnDesc& c) { return c.number == key.first; }))
                return bad;
    return Status::ok();
}

// ---- Records ------------------------------------------------------------------------

struct FieldRef {
    bool null = true;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

// How a record is laid out, as its own bytes say.
struct RowShape {
    std::uint32_t columns = 0;          // columns the record was written with
    std::size_t maskAt = 0;             // the null mask
    std::vector<std::uint32_t> offsets; // variable columns' starts, then the end of their data
};

// Where each column's value lies in a record as stored; false for bytes that
// do not make a record of this table.
bool crackRow(const Format& f, const Definition& def, std::string_view row, std::vector<FieldRef>* fields,
              RowShape* shape = nullptr)
{
    fields->assign(def.columns.size(), {});
    const std::size_t countBytes = f.isJet4() ? 2 : 1;
    if (row.size() < countBytes + 1)
        return false;
    const std::uint32_t rowColumns = f.isJet4() ? getU16(row.data()) : getU8(row.data());
    const std::size_t maskBytes = (rowColumns + 7) / 8;
    if (maskBytes + countBytes > row.size())
        return false;
    const std::size_t maskAt = row.size() - maskBytes;
    auto notNull = [&](std::uint32_t column) {
        return column < rowColumns && (static_cast<std::uint8_t>(row[maskAt + column / 8]) >> (column % 8) & 1);
    };
    std::vector<std::uint32_t> offsets; // var entries, then eod
    const bool hasVar = def.varColumns > 0;
    if (hasVar) {
        if (f.isJet4()) {
            if (maskAt < 4)
                return false;
            const std::uint32_t varLen = getU16(row.data() + maskAt - 2);
            if (maskAt < 4 + 2 * std::size_t{varLen})
                return false;
            for (std::uint32_t i = 0; i <= varLen; ++i)
                offsets.push_back(getU16(row.data() + maskAt - 4 - 2 * i));
        } else {
            if (maskAt < 2)
                return false;
            const std::uint32_t varLen = getU8(row.data() + maskAt - 1);
            // Offsets are one byte; rows of 256 bytes or more carry jump bytes
            // between them and the count, the last of which may be a dummy.
            std::size_t jumps = (row.size() - 1) / 256;
            if (maskAt < 2 + jumps)
                return false;
            const std::size_t entryAt = maskAt - 2 - jumps; // var entry 0; the others lie before it
            if (entryAt < varLen)
                return false;
            if (jumps > 0 && (entryAt - varLen) / 256 < jumps)
                --jumps;
            std::size_t used = 0;
            for (std::uint32_t i = 0; i <= varLen; ++i) {
                while (used < jumps && static_cast<std::uint8_t>(row[maskAt - 2 - used]) == i)
                    ++used;
                offsets.push_back(getU8(row.data() + entryAt - i) + 256 * static_cast<std::uint32_t>(used));
            }
        }
    }
    const std::size_t varCount = offsets.empty() ? 0 : offsets.size() - 1;
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        const ColumnDesc& c = def.columns[i];
        FieldRef& field = (*fields)[i];
        field.null = !notNull(c.number);
        if (c.type == kBoolean || field.null)
            continue;
        if (c.isFixed()) {
            field.start = static_cast<std::uint32_t>(countBytes + c.fixedOffset);
            field.length = c.size;
        } else {
            if (c.varIndex >= varCount) {
                field.null = true;
                continue;
            }
            field.start = offsets[c.varIndex];
            field.length = offsets[c.varIndex + 1] >= field.start ? offsets[c.varIndex + 1] - field.start : 0;
            if (offsets[c.varIndex + 1] < field.start)
                return false;
        }
        if (field.start + field.length > row.size())
            return false;
    }
    if (shape)
        *shape = {rowColumns, maskAt, std::move(offsets)};
    return true;
}

// Whether bytes that crack as a record of this table were written as one:
// no more columns than the table ever had, every fixed column it had then
// within the fixed part, a variable-table entry for every variable column,
// and variable data in column order. Pages left behind by a deleted table
// whose definition page now serves another hold records that fail this.
bool recordFits(const Format& f, const Definition& def, std::string_view row)
{
    std::vector<FieldRef> fields;
    RowShape shape;
    if (!crackRow(f, def, row, &fields, &shape) || shape.columns == 0 || shape.columns > def.maxColumns)
        return false;
    const std::size_t countBytes = f.isJet4() ? 2 : 1;
    const std::size_t fixedEnd = shape.offsets.empty() ? shape.maskAt : shape.offsets.front();
    const std::size_t varEntries = shape.offsets.empty() ? 0 : shape.offsets.size() - 1;
    for (const ColumnDesc& c : def.columns) {
        if (c.number >= shape.columns || c.type == kBoolean)
            continue;
        if (c.isFixed() ? countBytes + c.fixedOffset + c.size > fixedEnd : c.varIndex >= varEntries)
            return false;
    }
    if (!shape.offsets.empty() && shape.offsets.front() < countBytes)
        return false;
    return std::is_sorted(shape.offsets.begin(), shape.offsets.end());
}

// ---- The copy ------------------------------------------------------------------------

struct SourceTable {
    std::string name;
    std::uint32_t page = 0; // definition page in the source
    Definition def;
    std::uint32_t newPage = 0;
};

// A page being filled and the pages it filled before.
struct PageStream {
    explicit PageStream(const Format& f, std::uint32_t pageOwner) : page(f, pageOwner), owner(pageOwner) {}
    DataPageBuilder page;
    std::uint32_t owner;
    std::uint32_t number = 0;
    PageSet pages;
};

class Copier
{
public:
    Copier(const Format& f, PageSource& source, DatabaseReader& db, int fd, std::string target, bool salvage)
        : m_f(f), m_source(source), m_db(db), m_fd(fd), m_target(std::move(target)), m_salvage(salvage), m_maps(f, 0)
    {
    }

    Status run(std::vector<TableCopy>* report);

private:
    Status planTables();
    Status tablePages(const SourceTable& t, std::vector<std::uint32_t>* pages, TableCopy* report);
    std::vector<std::uint32_t> pagesFoundByOwner(const SourceTable& t);
    std::optional<std::uint64_t> recordsIndexedOn(const SourceTable& t, const std::vector<std::uint32_t>& lost,
                                                  std::uint64_t elsewhere);
    const FreePageMap& freePages();
    Status copyTable(SourceTable& t, TableCopy* report);
    std::unordered_map<std::uint32_t, std::uint32_t> movedRecords(std::uint32_t tdefPage);
    std::uint32_t putRow(PageStream& stream, std::string_view row);
    void flush(PageStream& stream);
    std::uint32_t putMap(const PageSet& set);
    std::uint32_t allocate();
    void writePage(std::uint32_t page, std::string_view bytes);
    void writeDefinition(const SourceTable& t);
    Status fail(Status s)
    {
        if (m_status.isOk())
            m_status = std::move(s);
        return m_status;
    }

    const Format& m_f;
    PageSource& m_source;
    DatabaseReader& m_db;
    int m_fd;
    std::string m_target;
    bool m_salvage;
    Status m_status;
    std::uint32_t m_next = 2;
    std::vector<SourceTable> m_tables;
    std::unordered_map<std::uint32_t, std::uint32_t> m_newPage; // definition pages, source to copy
    PageStream m_maps;
    std::optional<FreePageMap> m_free;
};

std::uint32_t Copier::allocate()
{
    if (m_next >= m_f.maxPages) {
        fail(Status::tooLarge("The compacted database would pass the size limit of its format."));
        return m_next;
    }
    return m_next++;
}

void Copier::writePage(std::uint32_t page, std::string_view bytes)
{
    if (!m_status.isOk())
        return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(page) * m_f.pageSize + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(Status::ioError("Could not write " + m_target + ": " + std::strerror(n < 0 ? errno : ENOSPC)));
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::uint32_t Copier::putRow(PageStream& stream, std::string_view row)
{
    if (stream.number == 0 || !stream.page.fits(row.size())) {
        flush(stream);
        stream.number = allocate();
        addPage(&stream.pages, stream.number);
    }
    if (!stream.page.fits(row.size())) { // only a damaged record is larger than a page
        fail(Status::corruption("A record would be larger than a page."));
        return 0;
    }
    return pageRow(stream.number, stream.page.add(row));
}

void Copier::flush(PageStream& stream)
{
    if (stream.number != 0 && !stream.page.empty())
        writePage(stream.number, stream.page.finish());
    stream.page.reset(stream.owner);
}

std::uint32_t Copier::putMap(const PageSet& set)
{
    std::string row;
    if (inlineMapFits(m_f, set)) {
        row = encodeInlineMap(m_f, set);
    } else {
        std::vector<std::uint32_t> pointers(m_f.referencePointers(), 0);
        for (std::uint32_t slot : bitmapSlots(m_f, set)) {
            pointers[slot] = allocate();
            writePage(pointers[slot], encodeBitmapPage(m_f, slot, set));
        }
        row = encodeReferenceMap(m_f, pointers);
    }
    return putRow(m_maps, row);
}

// Records that outgrew their page live elsewhere; their old slot (flag 0x4000)
// holds the page/row pointer to them. Maps each new place to its old slot.
std::unordered_map<std::uint32_t, std::uint32_t> Copier::movedRecords(std::uint32_t tdefPage)
{
    std::unordered_map<std::uint32_t, std::uint32_t> moved;
    std::string page;
    for (std::uint32_t p = 1; p < m_source.pageCount(); ++p) {
        if (!m_source.read(p, &page) || page[0] != 0x01 || getU32(page.data() + 4) != tdefPage)
            continue;
        const std::uint32_t rows =
            std::min<std::uint32_t>(getU16(page.data() + m_f.dataRowCountOffset), kMaxRowsPerPage);
        for (std::uint32_t r = 0; r < rows && m_f.dataHeaderSize() + 2 * (r + 1) <= m_f.pageSize; ++r) {
            const std::uint32_t slot = getU16(page.data() + m_f.dataHeaderSize() + 2 * r);
            const std::uint32_t at = slot & 0x1FFF;
            if ((slot & 0xC000) == 0x4000 && at + 4 <= m_f.pageSize)
                moved.emplace(getU32(page.data() + at), pageRow(p, r));
        }
    }
    return moved;
}

const FreePageMap& Copier::freePages()
{
    if (!m_free)
        m_free.emplace(m_f, m_source);
    return *m_free;
}

// The pages whose records are the table's: those its page map lists. A
// table's other pages are free space: Jet leaves the pages of a deleted
// table behind, and gives its definition page to the next table made.
// Repair, when the map itself is lost, takes the pages the table owns
// whose records fit its columns, leaving out what the free-page map frees.
Status Copier::tablePages(const SourceTable& t, std::vector<std::uint32_t>* pages, TableCopy* report)
{
    const std::string name = "Table " + quote(t.name);
    std::vector<std::uint32_t> listed;
    if (!readUsageMap(m_f, m_source, getU32(t.def.stream.data() + offsetsOf(m_f).ownedMap), &listed)) {
        if (!m_salvage)
            return Status::corruption(name + " cannot be read completely: its page map is unreadable.");
        *pages = pagesFoundByOwner(t);
        report->foundByOwner = true;
        return Status::ok();
    }
    ListedPages sorted = sortListedPages(m_f, m_source, t.page, listed);
    if (!sorted.damaged.empty() && !m_salvage) {
        return Status::corruption(name + " cannot be read completely: " + namePages(sorted.damaged) +
                                  (sorted.damaged.size() == 1 ? " is" : " are") + " unreadable.");
    }
    *pages = std::move(sorted.records);
    report->lostPages = std::move(sorted.damaged);
    return Status::ok();
}

std::vector<std::uint32_t> Copier::pagesFoundByOwner(const SourceTable& t)
{
    std::vector<std::uint32_t> found;
    std::string page;
    std::string_view record;
    for (std::uint32_t p = 1; p < m_source.pageCount(); ++p) {
        if (!m_source.read(p, &page) || page[0] != 0x01 || getU32(page.data() + 4) != t.page || freePages().isFree(p))
            continue;
        std::uint32_t records = 0;
        std::uint32_t fitting = 0;
        for (std::uint32_t r = 0; r < slotCount(m_f, page); ++r) {
            if (!isRecordSlot(m_f, page, r))
                continue;
            ++records;
            fitting += recordOnPage(m_f, page, r, &record) && recordFits(m_f, t.def, record);
        }
        // Most records of a damaged page of the table still fit; next to
        // none of another table's.
        if (2 * fitting > records)
            found.push_back(p);
    }
    return found;
}

// The records an index of the table lists on lost pages. Only an index that
// lists every record will do (not one that leaves out Nulls), and only when
// it lists the records read elsewhere exactly: then it knows what was lost.
// nullopt when no index can tell.
std::optional<std::uint64_t> Copier::recordsIndexedOn(const SourceTable& t, const std::vector<std::uint32_t>& lost,
                                                      std::uint64_t elsewhere)
{
    std::vector<IndexEntry> entries;
    for (const RealIndexDesc& r : t.def.real) {
        if ((r.flags & 0x02) || !readIndexEntries(m_f, m_source, r.root, t.page, &entries).isOk())
            continue;
        std::uint64_t on = 0;
        for (const IndexEntry& e : entries)
            on += std::binary_search(lost.begin(), lost.end(), e.page);
        if (entries.size() - on == elsewhere)
            return on;
    }
    return std::nullopt;
}

Status Copier::planTables()
{
    for (const CatalogObject& o : catalogObjects(m_db)) {
        if (o.type != 1)
            continue;
        SourceTable t;
        t.name = o.name;
        t.page = static_cast<std::uint32_t>(o.id);
        if (Status s = parseDefinition(m_f, m_source, t.page, t.name, &t.def); !s.isOk())
            return s;
        m_tables.push_back(std::move(t));
    }
    // The engine finds the catalog's own definition on page 2.
    std::stable_partition(m_tables.begin(), m_tables.end(),
                          [](const SourceTable& t) { return t.page == kCatalogPage; });
    if (m_tables.empty() || m_tables.front().page != kCatalogPage)
        return Status::corruption("The table list does not list itself.");
    for (SourceTable& t : m_tables) {
        t.newPage = m_next;
        m_newPage[t.page] = t.newPage;
        const std::size_t size = t.def.stream.size();
        std::uint32_t pages = 1;
        if (size > m_f.pageSize)
            pages += static_cast<std::uint32_t>((size - m_f.pageSize + m_f.pageSize - 9) / (m_f.pageSize - 8));
        for (std::uint32_t i = 0; i < pages; ++i)
            allocate();
    }
    return m_status;
}

// A column of a record that holds another object's identifier: the copy
// stores the table's new definition page there.
struct IdColumn {
    std::size_t column;
    std::optional<std::size_t> onlyWhenTypeColumn; // MSysObjects: only rows of type 1 (tables)
};

Status Copier::copyTable(SourceTable& t, TableCopy* report)
{
    Definition& def = t.def;
    report->name = t.name;
    report->stored = def.rowCount;
    std::vector<std::uint32_t> sourcePages;
    if (Status s = tablePages(t, &sourcePages, report); !s.isOk())
        return s;

    // Columns that name tables by their definition page.
    std::vector<IdColumn> idColumns;
    auto columnNamed = [&](std::string_view name) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            if (def.columns[i].name == name && def.columns[i].type == kLong && def.columns[i].isFixed())
                return i;
        return std::nullopt;
    };
    if (t.page == kCatalogPage) {
        auto id = columnNamed("Id");
        std::optional<std::size_t> type;
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            if (def.columns[i].name == "Type" && def.columns[i].type == kInteger)
                type = i;
        if (!id || !type)
            return Status::corruption("The table list has no Id or Type column.");
        idColumns.push_back({*id, type});
    } else if (t.name == "MSysACEs") {
        if (auto id = columnNamed("ObjectId"))
            idColumns.push_back({*id, std::nullopt});
    }

    // Index keys: computed from the record where this program knows how,
    // otherwise taken from the source's own entry for the record.
    struct IndexBuild {
        std::vector<KeyColumn> keys;
        std::vector<std::size_t> columns; // positions in def.columns
        std::unordered_map<std::uint32_t, std::string> sourceKeys;
        bool sourceRead = false;
        Status sourceStatus;
        std::vector<IndexEntry> entries;
        std::vector<std::string> uniqueKeys; // keys without a Null part, when the index is unique
    };
    std::vector<IndexBuild> indexes(def.real.size());
    for (std::size_t k = 0; k < def.real.size(); ++k) {
        for (const auto& [number, descending] : def.real[k].columns) {
            for (std::size_t i = 0; i < def.columns.size(); ++i) {
                if (def.columns[i].number != number)
                    continue;
                indexes[k].keys.push_back({def.columns[i].type, descending, def.columns[i].sortOrder});
                indexes[k].columns.push_back(i);
            }
        }
    }
    auto indexName = [&](std::size_t k) {
        for (const LogicalIndexDesc& l : def.logical)
            if (l.real == k)
                return l.name;
        return std::to_string(k);
    };

    std::vector<std::unique_ptr<PageStream>> longValues;
    std::vector<std::size_t> longValueStream(def.columns.size(), 0); // stream per column (0 = unmapped)
    longValues.push_back(std::make_unique<PageStream>(m_f, kLongValueOwner));
    for (const LongValueMapDesc& m : def.longValueMaps) {
        longValues.push_back(std::make_unique<PageStream>(m_f, kLongValueOwner));
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            if (def.columns[i].number == m.column)
                longValueStream[i] = longValues.size() - 1;
    }

    std::unordered_map<std::uint32_t, std::uint32_t> movedFrom; // record's place -> the slot pointing to it
    bool movedFromRead = false;
    PageStream data(m_f, t.newPage);
    std::vector<FieldRef> fields;
    std::string row;
    std::string value;
    std::uint64_t written = 0;
    std::uint64_t unreadable = 0;
    // Every record slot of the pages is read or counted as unreadable.
    RecordWalk walk(m_f, m_source, std::move(sourcePages));
    RawRow raw;
    while (m_status.isOk() && walk.next()) {
        raw.page = walk.page();
        raw.row = walk.row();
        if (!walk.record(&raw.bytes) || raw.bytes.size() > m_f.pageSize - m_f.dataHeaderSize() - 2 ||
            !crackRow(m_f, def, raw.bytes, &fields)) {
            ++unreadable;
            continue;
        }
        row.assign(raw.bytes);
        for (const IdColumn& c : idColumns) {
            const FieldRef& f = fields[c.column];
            if (f.null)
                continue;
            if (c.onlyWhenTypeColumn) {
                const FieldRef& type = fields[*c.onlyWhenTypeColumn];
                if (type.null || getU16(row.data() + type.start) != 1)
                    continue;
            }
            if (auto it = m_newPage.find(getU32(row.data() + f.start)); it != m_newPage.end())
                setU32(row.data() + f.start, it->second);
        }
        for (std::size_t i = 0; i < def.columns.size(); ++i) {
            FieldRef& f = fields[i];
            if (!def.columns[i].isLongValue() || f.null || f.length < 12 ||
                (static_cast<std::uint8_t>(row[f.start + 3]) & kLongValueInline))
                continue;
            if (!readLongValue(m_f, m_source, std::string_view(row).substr(f.start, 12), &value)) {
                if (!m_salvage)
                    return Status::corruption("Table " + quote(t.name) + " cannot be read completely: the " +
                                              (def.columns[i].type == kMemo ? "Memo" : "OLE") + " field " +
                                              quote(def.columns[i].name) + " of one of its records is unreadable.");
                // The rest of the record is sound: keep it, with the value Null.
                const std::uint32_t number = def.columns[i].number;
                const std::size_t rowColumns = m_f.isJet4() ? getU16(row.data()) : getU8(row.data());
                char& mask = row[row.size() - (rowColumns + 7) / 8 + number / 8];
                mask = static_cast<char>(mask & ~(1 << (number % 8)));
                f.null = true;
                ++report->emptied;
                continue;
            }
            PageStream& pages = *longValues[longValueStream[i]];
            const std::string field =
                storeLongValue(m_f, value, 0, [&](std::string_view piece) { return putRow(pages, piece); });
            std::copy_n(field.begin(), 12, row.begin() + f.start);
        }
        const std::uint32_t at = putRow(data, row);
        for (std::size_t k = 0; k < indexes.size(); ++k) {
            IndexBuild& ix = indexes[k];
            IndexEntry entry;
            entry.page = at >> 8;
            entry.row = static_cast<std::uint8_t>(at & 0xFF);
            bool allNull = true;
            bool anyNull = false;
            bool computed = true;
            for (std::size_t j = 0; j < ix.keys.size(); ++j) {
                const FieldRef& f = fields[ix.columns[j]];
                const ColumnDesc& c = def.columns[ix.columns[j]];
                std::optional<std::string_view> v;
                if (c.type == kBoolean)
                    v = std::string_view(f.null ? "\x00" : "\x01", 1);
                else if (!f.null)
                    v = std::string_view(row).substr(f.start, f.length);
                allNull = allNull && f.null && c.type != kBoolean;
                anyNull = anyNull || (f.null && c.type != kBoolean);
                computed = computed && appendColumnKey(m_f, ix.keys[j], v, &entry.key);
            }
            if (allNull && (def.real[k].flags & 0x02))
                continue; // an index that ignores Nulls lists no record whose key is all Null
            if (!computed) {
                if (!ix.sourceRead) {
                    ix.sourceRead = true;
                    std::vector<IndexEntry> old;
                    ix.sourceStatus = readIndexEntries(m_f, m_source, def.real[k].root, t.page, &old);
                    for (IndexEntry& e : old)
                        ix.sourceKeys.emplace(pageRow(e.page, e.row), std::move(e.key));
                }
                auto it = ix.sourceKeys.find(pageRow(raw.page, raw.row));
                if (it == ix.sourceKeys.end()) {
                    // A record that grew and moved is indexed under the slot it left.
                    if (!movedFromRead) {
                        movedFromRead = true;
                        movedFrom = movedRecords(t.page);
                    }
                    if (auto moved = movedFrom.find(pageRow(raw.page, raw.row)); moved != movedFrom.end())
                        it = ix.sourceKeys.find(moved->second);
                }
                if (it == ix.sourceKeys.end())
                    return Status::unsupported(
                        "The index " + quote(indexName(k)) + " of table " + quote(t.name) +
                        " cannot be rebuilt: the sort key of one of its records is not known "
                        "to this program, and the database's own index does not list it" +
                        (ix.sourceStatus.isOk() ? "." : " (" + ix.sourceStatus.message() + ")."));
                entry.key = it->second;
            }
            // Unique indexes let any number of records have a Null in the key.
            if ((def.real[k].flags & 0x01) && !anyNull)
                ix.uniqueKeys.push_back(entry.key);
            ix.entries.push_back(std::move(entry));
        }
        ++written;
    }
    if (!m_status.isOk())
        return m_status;
    if (walk.failed())
        return Status::ioError("Could not read page " + std::to_string(walk.page()) + " of the database.");
    report->rows = written;
    report->expected = written + unreadable;
    if (unreadable > 0 && !m_salvage)
        return Status::corruption("Table " + quote(t.name) +
                                  " cannot be read completely: " + std::to_string(unreadable) + " of its " +
                                  std::to_string(report->expected) + " records are unreadable.");
    if (!report->lostPages.empty()) {
        // What lay on pages that are lost is known only to the table's indexes.
        if (const auto indexed = recordsIndexedOn(t, report->lostPages, report->expected)) {
            report->expected += *indexed;
            report->lostPages.clear();
        }
    }
    flush(data);
    for (auto& s : longValues)
        flush(*s);

    // Index pages, then the maps, then the definition that points at them.
    std::string& s = def.stream;
    const Offsets& o = offsetsOf(m_f);
    const std::size_t lead = m_f.isJet4() ? 4 : 0;
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        std::vector<IndexEntry>& entries = indexes[k].entries;
        std::vector<std::string>& unique = indexes[k].uniqueKeys;
        std::sort(unique.begin(), unique.end());
        if (std::adjacent_find(unique.begin(), unique.end()) != unique.end())
            return Status::corruption("The unique index " + quote(indexName(k)) + " of table " + quote(t.name) +
                                      " would hold two records with the same key.");
        unique = {};
        const std::size_t count = entries.size();
        const std::uint32_t first = m_next;
        IndexPages built = buildIndexPages(m_f, t.newPage, std::move(entries), first);
        PageSet pages;
        for (std::size_t p = 0; p < built.pages.size(); ++p) {
            const std::uint32_t number = allocate();
            writePage(number, built.pages[p]);
            addPage(&pages, number);
        }
        setU32(s.data() + def.real[k].at + lead + 30, putMap(pages));
        setU32(s.data() + def.real[k].at + lead + 34, built.root);
        setU32(s.data() + o.realHeader + o.realHeaderSize * k + 4, static_cast<std::uint32_t>(count));
        ++report->indexes;
    }
    PageSet lastData;
    if (!data.pages.empty())
        lastData.push_back({data.pages.back().last, data.pages.back().last});
    setU32(s.data() + o.ownedMap, putMap(data.pages));
    setU32(s.data() + o.freeMap, putMap(lastData));
    for (std::size_t m = 0; m < def.longValueMaps.size(); ++m) {
        const PageStream& lv = *longValues[m + 1];
        PageSet last;
        if (!lv.pages.empty())
            last.push_back({lv.pages.back().last, lv.pages.back().last});
        setU32(s.data() + def.longValueMaps[m].at, putMap(lv.pages));
        setU32(s.data() + def.longValueMaps[m].at + 4, putMap(last));
    }
    for (const LogicalIndexDesc& l : def.logical) {
        if (l.relatedTable == 0)
            continue;
        auto it = m_newPage.find(l.relatedTable);
        if (it == m_newPage.end())
            return Status::corruption("The index " + quote(l.name) + " of table " + quote(t.name) +
                                      " links to a table that is not in the table list.");
        setU32(s.data() + l.at + lead + 13, it->second);
    }
    setU32(s.data() + o.rowCount, static_cast<std::uint32_t>(written));
    writeDefinition(t);
    return m_status;
}

void Copier::writeDefinition(const SourceTable& t)
{
    const std::string& s = t.def.stream;
    std::size_t at = 0;
    std::uint32_t page = t.newPage;
    while (at < s.size() && m_status.isOk()) {
        std::string bytes(m_f.pageSize, '\0');
        const bool first = at == 0;
        const std::size_t headerBytes = first ? 0 : 8;
        const std::size_t n = std::min(s.size() - at, m_f.pageSize - headerBytes);
        std::copy_n(s.begin() + static_cast<std::ptrdiff_t>(at), n,
                    bytes.begin() + static_cast<std::ptrdiff_t>(headerBytes));
        at += n;
        bytes[0] = 0x02;
        bytes[1] = 0x01;
        if (m_f.isJet4())
            setU16(bytes.data() + 2, static_cast<std::uint32_t>(m_f.pageSize - headerBytes - n - (first ? 8 : 0)));
        else
            bytes[2] = 'V', bytes[3] = 'C';
        const std::uint32_t next = at < s.size() ? page + 1 : 0;
        setU32(bytes.data() + 4, next);
        writePage(page, bytes);
        page = next;
    }
}

Status Copier::run(std::vector<TableCopy>* report)
{
    if (Status s = planTables(); !s.isOk())
        return s;
    std::string page0;
    if (!m_source.read(0, &page0))
        return Status::ioError("Could not read the first page of the database.");
    writePage(0, page0);
    for (SourceTable& t : m_tables) {
        TableCopy copy;
        if (Status s = copyTable(t, &copy); !s.isOk())
            return fail(s);
        report->push_back(std::move(copy));
    }
    flush(m_maps);
    // Page 1: the global map says every page of the file is in use.
    std::vector<std::string> bitmaps;
    const std::string global = encodeGlobalMapPage(m_f, m_next, &bitmaps);
    for (const std::string& b : bitmaps)
        writePage(allocate(), b);
    writePage(1, global);
    if (m_status.isOk() && ::fsync(m_fd) != 0)
        fail(Status::ioError("Could not write " + m_target + ": " + std::strerror(errno)));
    return m_status;
}

} // namespace

std::string namePages(const std::vector<std::uint32_t>& pages)
{
    if (pages.size() > 5)
        return std::to_string(pages.size()) + " of its pages";
    std::string out = pages.size() == 1 ? "its page " : "its pages ";
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            out += i + 1 == pages.size() ? " and " : ", ";
        out += std::to_string(pages[i]);
    }
    return out;
}

Status copyDatabase(const std::string& source, const std::string& target, const CopyOptions& options,
                    std::vector<TableCopy>* tables)
{
    tables->clear();
    FileHeader header;
    if (Status s = readFileHeader(source, &header); !s.isOk())
        return s;
    if (header.versionByte > 1)
        return Status::unsupported("Only Jet 3 and Jet 4 databases (.mdb) can be compacted.");
    if (header.databaseKey != 0)
        return Status::unsupported(
            "Encrypted databases cannot be compacted or repaired: their pages cannot be read without "
            "Microsoft's engine.");
    const Format& f = formatOf(header.versionByte == 0 ? JetVersion::Jet3 : JetVersion::Jet4);
    Status status;
    auto db = DatabaseReader::open(source, header.password, &status);
    if (!db)
        return status;
    if (status = checkCatalog(*db); !status.isOk())
        return status;
    FilePageSource pages(source, f.pageSize);
    if (pages.pageCount() == 0)
        return Status::ioError("Could not read " + source + ".");
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0)
        return Status::ioError("Could not write " + target + ": " + std::strerror(errno));
    struct stat st {
    };
    if (::fstat(out, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0) {
        ::close(out);
        return Status::ioError("Could not write " + target + ": it is not a new, empty file.");
    }
    Copier copier(f, pages, *db, out, target, options.salvage);
    status = copier.run(tables);
    if (::close(out) != 0 && status.isOk())
        status = Status::ioError("Could not write " + target + ": " + std::strerror(errno));
    return status;
}

} // namespace quorlix::jet
