#include "platform/jet/JetWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

#include "platform/SecretMemory.h"
#include "platform/jet/JetEncode.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"

namespace quorlix::jet
{

namespace
{

// Page plan of a new file. The system tables keep the places Jet gives them
// in a fresh database; their rows, the property blobs and the global map's
// bitmap pages go to the end of the file when it is closed, so user rows can
// stream from page 18 on without knowing how many tables will follow.
enum : std::uint32_t {
    kGlobalMapPage = 1,
    kObjectsTdef = 2,
    kAcesTdef = 3,
    kQueriesTdef = 4,
    kRelationshipsTdef = 5,
    kObjectsMapPage = 6,   // owned/free rows, then the long-value column maps
    kObjectsMapPage2 = 7,  // the last long-value map that no longer fits on 6
    kObjectsIndex0Map = 8, // (ParentId, Name)
    kObjectsIndex0Leaf = 9,
    kObjectsIndex1Map = 10, // (Id)
    kObjectsIndex1Leaf = 11,
    kOtherMapsPage = 12, // maps of MSysACEs, MSysQueries, MSysRelationships
    kAcesLeaf = 13,
    kQueriesLeaf = 14,
    kRelationshipsLeaf0 = 15, // .. 17
    kFirstUserPage = 18,
};

// Catalog identifiers of the objects every database has.
constexpr std::uint32_t kTablesId = 0x0F000001;
constexpr std::uint32_t kDatabasesId = 0x0F000002;
constexpr std::uint32_t kRelationshipsId = 0x0F000003;
constexpr std::uint32_t kRootId = 0x0F000000;
constexpr std::uint32_t kMSysDbId = 0x10000000;
constexpr std::uint32_t kSystemObjectFlags = 0x80000000;

// Owners and ACE holders: the engine, the default Admin user, the Users
// group and the creator placeholder. The two engines number them apart.
struct Sids {
    std::string_view engine;
    std::string_view admin;
    std::string_view users;
    std::string_view creator;
};
const Sids& sidsOf(const Format& f)
{
    static const Sids jet3{{"\x02\x03", 2}, {"\x03\x01", 2}, {"\x02\x01", 2}, {"\x02\x04", 2}};
    static const Sids jet4{{"\x65\x89", 2}, {"\x64\x8B", 2}, {"\x65\x8B", 2}, {"\x65\x8E", 2}};
    return f.isJet4() ? jet4 : jet3;
}

std::string fixedU32(std::uint32_t v)
{
    std::string s;
    putU32(&s, v);
    return s;
}
std::string fixedU16(std::uint32_t v)
{
    std::string s;
    putU16(&s, v);
    return s;
}
std::string fixedF64(double v)
{
    std::string s;
    putF64(&s, v);
    return s;
}

constexpr std::uint8_t kSystemFlags = kColumnSystem | kColumnNullable;
constexpr std::uint8_t kSidFlags = kColumnSystem | kColumnSid | kColumnNullable;

ColumnDef systemColumn(std::uint8_t type, std::string name, std::uint16_t size, std::uint8_t flags = kSystemFlags)
{
    ColumnDef c;
    c.type = type;
    c.name = std::move(name);
    c.size = size;
    c.flags = flags;
    c.userNumbering = false;
    return c;
}

// ---- The system tables -------------------------------------------------------

struct SystemTable {
    TableDef def;
    RowLayout layout;
};

// Text and Binary columns of the system tables: 255 characters / bytes in
// Jet 3, 510 bytes in Jet 4.
std::uint16_t systemTextSize(const Format& f)
{
    return static_cast<std::uint16_t>(f.isJet4() ? 510 : 255);
}

SystemTable objectsTable(const Format& f)
{
    SystemTable t;
    t.def.system = true;
    const std::uint16_t text = systemTextSize(f);
    t.def.columns = {
        systemColumn(kLong, "Id", 4),
        systemColumn(kLong, "ParentId", 4),
        systemColumn(kText, "Name", text),
        systemColumn(kInteger, "Type", 2),
        systemColumn(kDateTime, "DateCreate", 8),
        systemColumn(kDateTime, "DateUpdate", 8),
        systemColumn(kBinary, "Owner", text, kSidFlags),
        systemColumn(kLong, "Flags", 4),
        systemColumn(kMemo, "Database", 0),
        systemColumn(kMemo, "Connect", 0),
        systemColumn(kText, "ForeignName", text),
        systemColumn(kBinary, "RmtInfoShort", text),
        systemColumn(kOle, "RmtInfoLong", 0),
        systemColumn(kOle, "Lv", 0),
        systemColumn(kOle, "LvProp", 0),
        systemColumn(kOle, "LvModule", 0),
        systemColumn(kOle, "LvExtra", 0),
    };
    t.layout = layoutColumns(&t.def.columns);
    t.def.realIndexes = {
        {{1, 2}, pageRow(kObjectsIndex0Map, 0), kObjectsIndex0Leaf, 0x01, {}},
        {{0}, pageRow(kObjectsIndex1Map, 0), kObjectsIndex1Leaf, 0x01, {}},
    };
    t.def.logicalIndexes = {{1, 1, 1, "Id"}, {0, 0, 0, "ParentIdName"}};
    t.def.ownedMap = pageRow(kObjectsMapPage, 0);
    t.def.freeMap = pageRow(kObjectsMapPage, 1);
    // Rows 2..14 of page 6 and row 0 of page 7, in column order.
    const std::uint16_t lvColumns[] = {8, 9, 12, 13, 14, 15, 16};
    std::uint32_t row = 2;
    for (std::uint16_t c : lvColumns) {
        LongValueMapDef m;
        m.column = c;
        m.owned = pageRow(kObjectsMapPage, row++);
        m.free = row <= 14 ? pageRow(kObjectsMapPage, row++) : pageRow(kObjectsMapPage2, 0);
        t.def.longValueMaps.push_back(m);
    }
    return t;
}

SystemTable acesTable(const Format& f)
{
    SystemTable t;
    t.def.system = true;
    t.def.columns = {
        systemColumn(kLong, "ObjectId", 4),
        systemColumn(kBinary, "SID", systemTextSize(f), kSidFlags),
        systemColumn(kLong, "ACM", 4),
        systemColumn(kBoolean, "FInheritable", 1),
    };
    t.layout = layoutColumns(&t.def.columns);
    t.def.realIndexes = {{{0}, pageRow(kOtherMapsPage, 2), kAcesLeaf, 0x08, {}}};
    t.def.logicalIndexes = {{0, 0, 0, "ObjectId"}};
    t.def.ownedMap = pageRow(kOtherMapsPage, 0);
    t.def.freeMap = pageRow(kOtherMapsPage, 1);
    return t;
}

SystemTable queriesTable(const Format& f)
{
    SystemTable t;
    t.def.system = true;
    const std::uint16_t text = systemTextSize(f);
    t.def.columns = {
        systemColumn(kLong, "ObjectId", 4), systemColumn(kByte, "Attribute", 1), systemColumn(kBinary, "Order", text),
        systemColumn(kText, "Name1", text), systemColumn(kText, "Name2", text),  systemColumn(kMemo, "Expression", 0),
        systemColumn(kInteger, "Flag", 2),
    };
    if (f.isJet4()) // Access 2000 added a Long
        t.def.columns.push_back(systemColumn(kLong, "LvExtra", 4));
    t.layout = layoutColumns(&t.def.columns);
    t.def.realIndexes = {{{0, 1, 2}, pageRow(kOtherMapsPage, 7), kQueriesLeaf, 0x01, {}}};
    t.def.logicalIndexes = {{0, 0, 1, "ObjectIdAttribute"}};
    t.def.longValueMaps = {{5, pageRow(kOtherMapsPage, 5), pageRow(kOtherMapsPage, 6)}};
    t.def.ownedMap = pageRow(kOtherMapsPage, 3);
    t.def.freeMap = pageRow(kOtherMapsPage, 4);
    return t;
}

SystemTable relationshipsTable(const Format& f)
{
    SystemTable t;
    t.def.system = true;
    const std::uint16_t text = systemTextSize(f);
    t.def.columns = {
        systemColumn(kText, "szRelationship", text),
        systemColumn(kLong, "grbit", 4),
        systemColumn(kLong, "ccolumn", 4),
        systemColumn(kLong, "icolumn", 4),
        systemColumn(kText, "szObject", text),
        systemColumn(kText, "szColumn", text),
        systemColumn(kText, "szReferencedObject", text),
        systemColumn(kText, "szReferencedColumn", text),
    };
    t.layout = layoutColumns(&t.def.columns);
    for (std::uint16_t i = 0; i < 3; ++i) {
        const std::uint16_t column = i == 0 ? 0 : (i == 1 ? 4 : 6);
        t.def.realIndexes.push_back({{column},
                                     pageRow(kOtherMapsPage, 10u + i),
                                     static_cast<std::uint32_t>(kRelationshipsLeaf0 + i),
                                     0x02,
                                     {}});
    }
    t.def.logicalIndexes = {{1, 1, 0, "szObject"}, {2, 2, 0, "szReferencedObject"}, {0, 0, 0, "szRelationship"}};
    t.def.ownedMap = pageRow(kOtherMapsPage, 8);
    t.def.freeMap = pageRow(kOtherMapsPage, 9);
    return t;
}

// One MSysObjects row before it is placed.
struct CatalogObject {
    std::uint32_t id;
    std::uint32_t parentId;
    std::string name; // ASCII
    std::uint16_t type;
    std::string_view owner;
    std::uint32_t flags;
    std::optional<std::uint32_t> propertiesPointer; // LVAL page/row of LvProp
    std::uint32_t propertiesLength = 0;
};

struct AceRow {
    std::uint32_t objectId;
    std::string_view sid;
    std::uint32_t acm;
    bool inheritable;
};

bool validName(std::string_view name)
{
    if (name.empty() || utf8Length(name) > kMaxNameLength || name.front() == ' ')
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
            return false;
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string quoted(std::string_view s)
{
    return "\"" + std::string(s) + "\"";
}

// ---- The writer ------------------------------------------------------------------

class JetDatabaseWriter final : public DatabaseWriter
{
public:
    JetDatabaseWriter(const Format& format, int fd, std::string path, std::string password, double creationDate,
                      std::uint32_t maxPages)
        : m_format(format), m_fd(fd), m_path(std::move(path)), m_password(std::move(password)),
          m_creationDate(creationDate), m_maxPages(maxPages), m_page(format, 0)
    {
    }
    ~JetDatabaseWriter() override
    {
        // The last rows encoded were passwords.
        wipeSecret(m_row.data(), m_row.capacity());
        for (std::string& field : m_encoded)
            wipeSecret(field.data(), field.capacity());
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_path.c_str());
        }
    }

    Status createTable(std::string_view name, const std::vector<TextColumn>& columns) override;
    Status createTypedTable(std::string_view name, const std::vector<FieldSpec>& fields,
                            const std::vector<IndexSpec>& indexes);
    Status appendRow(const std::vector<std::optional<std::string_view>>& values) override;
    Status close() override;
    Status status() const override { return m_status; }

private:
    struct LongValuePages {
        explicit LongValuePages(const Format& f) : builder(f, kLongValueOwner) {}
        DataPageBuilder builder;
        std::uint32_t page = 0; // 0 = none yet
        PageSet pages;
    };
    struct IndexBuild {
        RealIndexDef real;
        LogicalIndexDef logical;
        std::vector<std::size_t> columns; // positions in the table's columns
        std::vector<KeyColumn> keys;
        std::vector<IndexEntry> entries;
        std::unordered_set<std::string> unique; // keys without a Null part
    };
    struct UserTable {
        std::string name;
        std::vector<ColumnDef> columns;
        std::vector<bool> allowZeroLength;
        RowLayout layout;
        std::uint32_t tdefPage = 0;
        std::uint32_t mapPage = 0;
        PageSet dataPages;
        std::uint32_t rowCount = 0;
        // Tables of any field types:
        bool typed = false;
        std::vector<bool> required;
        std::vector<bool> autoNumber;
        std::uint32_t nextAutoNumber = 1;
        std::vector<std::unique_ptr<LongValuePages>> longValues; // per column; null unless Memo/OLE
        std::vector<IndexBuild> indexes;
    };
    struct FinishedTable {
        std::string name;
        std::uint32_t tdefPage;
        std::vector<std::string> zeroLengthColumns;
    };

    Status fail(Status s)
    {
        if (m_status.isOk())
            m_status = std::move(s);
        return m_status;
    }
    bool ioFailed() const { return m_status.code() == Status::Code::IoError; }
    Status checkTable(std::string_view name, const std::vector<TextColumn>& columns) const;
    std::uint32_t closeReserve() const;
    // Takes count consecutive pages if the size limit allows; else keeps the refusal.
    bool reservePages(std::uint32_t count, std::uint32_t* first);
    std::uint32_t appendPage() { return m_nextPage++; } // within the close reserve
    void writePage(std::uint32_t page, std::string_view bytes);
    void flushDataPage();
    // Makes t the open table, after finishing the one before.
    Status startTable(UserTable t);
    Status encodeTypedRow(const std::vector<std::optional<std::string_view>>& values);
    std::uint32_t putLongValueRow(LongValuePages& pages, std::string_view row);
    void finishTypedParts(TableDef* def, DataPageBuilder* maps, std::uint32_t* mapPage);
    void finishTable();
    void writeCatalog();
    void writeSystemMaps(const PageSet& objectsPages, const PageSet& acesPages, const PageSet& lvalPages);
    void writeGlobalMap();
    std::string usageMap(const PageSet& set);
    Status sizeLimitStatus() const;

    const Format& m_format;
    int m_fd;
    std::string m_path;
    std::string m_password;
    double m_creationDate;
    std::uint32_t m_maxPages;
    Status m_status;
    bool m_closed = false;

    std::uint32_t m_nextPage = kFirstUserPage;
    std::optional<UserTable> m_table;
    std::vector<FinishedTable> m_finished;
    DataPageBuilder m_page;
    std::uint32_t m_pageNumber = 0; // page the builder fills; 0 = none
    std::string m_row;
    struct PendingKey {
        std::size_t index;
        std::string key;
        bool uniqueCheck;
    };
    std::vector<PendingKey> m_pendingKeys; // index entries of the record being added
    std::vector<std::string> m_encoded;    // per column, reused
    std::vector<std::optional<std::string_view>> m_fields;
};

Status JetDatabaseWriter::sizeLimitStatus() const
{
    return Status::tooLarge(m_format.isJet4()
                                ? "The database has reached the 2 GB size limit of an Access 2000 file; no more "
                                  "records can be added."
                                : "The database has reached the 1 GB size limit of an Access 97 (Jet 3) file; no "
                                  "more records can be added.");
}

std::uint32_t JetDatabaseWriter::closeReserve() const
{
    // Pages close() may still need: the open table's bitmap pages, the global
    // map's, and the catalog (properties, MSysObjects and MSysACEs rows).
    const std::uint32_t bitmapPages = m_maxPages / m_format.bitmapPagePages() + 2;
    const auto tables = static_cast<std::uint32_t>(m_finished.size() + 1);
    return 2 * bitmapPages + tables + (tables + 9) / 16 + 1 + (2 * tables + 16) / 32 + 1 + 2;
}

bool JetDatabaseWriter::reservePages(std::uint32_t count, std::uint32_t* first)
{
    if (m_nextPage + count + closeReserve() > m_maxPages) {
        fail(sizeLimitStatus());
        return false;
    }
    *first = m_nextPage;
    m_nextPage += count;
    return true;
}

void JetDatabaseWriter::writePage(std::uint32_t page, std::string_view bytes)
{
    if (ioFailed())
        return;
    const off_t offset = static_cast<off_t>(page) * m_format.pageSize;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A refusal kept earlier must not hide that the file itself is broken.
            m_status = Status::ioError("Could not write " + m_path + ": " + std::strerror(errno));
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

Status JetDatabaseWriter::checkTable(std::string_view name, const std::vector<TextColumn>& columns) const
{
    const std::string what = "Table " + quoted(name) + ": ";
    if (!validName(name))
        return Status::invalidArgument(quoted(name) + " is not a valid table name.");
    std::string key;
    if (!appendTextKey(m_format, &key, name))
        return Status::invalidArgument(what + (m_format.isJet4() ? "table names must be plain ASCII without ' or -."
                                                                 : "table names must be plain ASCII."));
    if (name.size() >= 4 && equalsIgnoringCase(name.substr(0, 4), "MSys"))
        return Status::invalidArgument(what + "names beginning with MSys are reserved for the system tables.");
    for (const FinishedTable& t : m_finished)
        if (equalsIgnoringCase(t.name, name))
            return Status::invalidArgument(what + "a table of that name already exists.");
    if (m_table && equalsIgnoringCase(m_table->name, name))
        return Status::invalidArgument(what + "a table of that name already exists.");
    if (columns.empty())
        return Status::invalidArgument(what + "a table needs at least one field.");
    std::string bytes;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string& c = columns[i].name;
        if (!validName(c) || !encodeText(m_format, c, &bytes))
            return Status::invalidArgument(what + quoted(c) + " is not a valid field name.");
        for (std::size_t k = 0; k < i; ++k)
            if (equalsIgnoringCase(columns[k].name, c))
                return Status::invalidArgument(what + "the field " + quoted(c) + " appears twice.");
    }
    // The definition, the property blob and the catalog index each get one
    // page here, which bounds the number of fields and tables.
    TableDef def;
    for (const TextColumn& c : columns) {
        ColumnDef col;
        col.name = c.name;
        def.columns.push_back(col);
    }
    std::vector<std::string> names;
    for (const TextColumn& c : columns)
        names.push_back(c.name);
    const RowLayout layout = layoutColumns(&def.columns);
    std::size_t textBytes = 0;
    for (const TextColumn& c : columns) {
        if (c.size < 1 || c.size > kMaxTextSize)
            return Status::invalidArgument(what + "a Text field holds 1 to " + std::to_string(kMaxTextSize) +
                                           " characters.");
        textBytes += c.size * (m_format.isJet4() ? 2u : 1u);
    }
    const std::size_t widest = rowSize(m_format, layout, columns.size(), textBytes);
    if (tableDefinitionSize(m_format, def) > m_format.pageSize || widest > m_format.maxRowSize ||
        encodeZeroLengthProperties(m_format, names).size() + m_format.dataHeaderSize() + 2 > m_format.pageSize)
        return Status::invalidArgument(what + "too many fields or field names too long.");
    std::size_t catalogKeys = 0; // bytes of the (ParentId, Name) index over all objects
    auto addKey = [&](std::string_view n) {
        std::string entry;
        appendLongKey(&entry, kTablesId);
        appendTextKey(m_format, &entry, n);
        catalogKeys += entry.size() + 4;
    };
    for (std::string_view n : {"Tables", "Databases", "Relationships", "MSysDb", "MSysObjects", "MSysACEs",
                               "MSysQueries", "MSysRelationships"})
        addKey(n);
    for (const FinishedTable& t : m_finished)
        addKey(t.name);
    if (m_table)
        addKey(m_table->name);
    addKey(name);
    if (catalogKeys > indexLeafCapacity(m_format))
        return Status::invalidArgument(what + "the database cannot hold more tables.");
    return Status::ok();
}

Status JetDatabaseWriter::createTable(std::string_view name, const std::vector<TextColumn>& columns)
{
    if (m_closed)
        return Status::invalidArgument("The database is already closed.");
    if (!m_status.isOk())
        return m_status;
    if (Status s = checkTable(name, columns); !s.isOk())
        return fail(std::move(s));
    UserTable t;
    t.name = std::string(name);
    for (const TextColumn& c : columns) {
        ColumnDef col;
        col.type = kText;
        col.name = c.name;
        col.flags = kColumnNullable;
        col.size = static_cast<std::uint16_t>(c.size * (m_format.isJet4() ? 2 : 1));
        col.extraFlags = m_format.isJet4() ? kColumnCompressed : 0;
        t.columns.push_back(col);
        t.allowZeroLength.push_back(c.allowZeroLength);
    }
    t.layout = layoutColumns(&t.columns);
    return startTable(std::move(t));
}

Status JetDatabaseWriter::startTable(UserTable t)
{
    finishTable();
    if (!reservePages(2, &t.tdefPage))
        return m_status;
    t.mapPage = t.tdefPage + 1;
    m_encoded.assign(t.columns.size(), std::string());
    m_fields.assign(t.columns.size(), std::nullopt);
    m_table = std::move(t);
    return m_status;
}

Status JetDatabaseWriter::appendRow(const std::vector<std::optional<std::string_view>>& values)
{
    if (m_closed)
        return Status::invalidArgument("The database is already closed.");
    if (!m_status.isOk())
        return m_status;
    if (!m_table)
        return fail(Status::invalidArgument("No table is open to add records to."));
    UserTable& t = *m_table;
    if (values.size() > t.columns.size())
        return fail(Status::invalidArgument("Table " + quoted(t.name) + " has only " +
                                            std::to_string(t.columns.size()) + " fields."));
    for (std::size_t i = 0; i < t.columns.size() && !t.typed; ++i) {
        const std::optional<std::string_view> v = i < values.size() ? values[i] : std::nullopt;
        if (!v) {
            m_fields[i] = std::nullopt;
            continue;
        }
        const std::string& field = t.columns[i].name;
        if (v->empty() && !t.allowZeroLength[i])
            return fail(Status::invalidArgument("The field " + quoted(field) + " cannot hold an empty text."));
        const std::size_t limit = t.columns[i].size / (m_format.isJet4() ? 2u : 1u);
        if (utf8Length(*v) > limit)
            return fail(Status::invalidArgument("The text " + quoted(*v) + " is longer than the " +
                                                std::to_string(limit) + " characters of the field " + quoted(field) +
                                                "."));
        std::string& out = m_encoded[i];
        if (m_format.isJet4()) {
            std::string ucs2;
            if (!utf8ToUcs2(*v, &ucs2))
                return fail(Status::invalidArgument("The text " + quoted(*v) + " has the character " +
                                                    unencodableCharacter(m_format, *v) +
                                                    " that a database field cannot hold."));
            compressUcs2(ucs2, &out);
            m_fields[i] = std::string_view(out);
        } else {
            bool ascii = std::all_of(v->begin(), v->end(), [](char c) { return (c & 0x80) == 0; });
            if (ascii) {
                m_fields[i] = *v; // code page 1252 agrees with ASCII: no copy
            } else if (utf8ToCp1252(*v, &out)) {
                m_fields[i] = std::string_view(out);
            } else {
                return fail(Status::invalidArgument("The text " + quoted(*v) + " has the character " +
                                                    unencodableCharacter(m_format, *v) +
                                                    " that an Access 97 database cannot hold."));
            }
        }
    }
    if (t.typed) {
        if (Status st = encodeTypedRow(values); !st.isOk())
            return st;
    }
    encodeRow(m_format, t.columns, t.layout, m_fields.data(), &m_row);
    if (m_row.size() > m_format.maxRowSize)
        return fail(Status::invalidArgument("A record of table " + quoted(t.name) + " is longer than a page holds."));
    if (m_pageNumber == 0 || !m_page.fits(m_row.size())) {
        std::uint32_t page;
        if (!reservePages(1, &page))
            return m_status;
        flushDataPage();
        m_page.reset(t.tdefPage);
        m_pageNumber = page;
        addPage(&t.dataPages, page);
    }
    const std::uint32_t row = m_page.add(m_row);
    for (PendingKey& k : m_pendingKeys) {
        IndexBuild& ix = t.indexes[k.index];
        if (k.uniqueCheck)
            ix.unique.insert(k.key);
        ix.entries.push_back({std::move(k.key), m_pageNumber, static_cast<std::uint8_t>(row)});
    }
    m_pendingKeys.clear();
    ++t.rowCount;
    return m_status;
}

Status JetDatabaseWriter::createTypedTable(std::string_view name, const std::vector<FieldSpec>& fields,
                                           const std::vector<IndexSpec>& indexes)
{
    if (m_closed)
        return Status::invalidArgument("The database is already closed.");
    if (!m_status.isOk())
        return m_status;
    const std::string what = "Table " + quoted(name) + ": ";
    std::vector<TextColumn> names;
    for (const FieldSpec& f : fields)
        names.push_back({f.name, true, 1});
    if (Status s = checkTable(name, names); !s.isOk())
        return fail(std::move(s));
    UserTable t;
    t.name = std::string(name);
    t.typed = true;
    for (const FieldSpec& f : fields) {
        ColumnDef col;
        col.type = f.type;
        col.name = f.name;
        col.flags =
            static_cast<std::uint8_t>((f.required ? 0 : kColumnNullable) | (f.autoNumber ? kColumnAutoNumber : 0));
        switch (f.type) {
        case kText:
            col.size = static_cast<std::uint16_t>((f.size ? f.size : kDefaultTextSize) * (m_format.isJet4() ? 2 : 1));
            col.extraFlags = m_format.isJet4() ? kColumnCompressed : 0;
            if (f.size > kMaxTextSize)
                return fail(Status::invalidArgument(what + "a Text field holds 1 to 255 characters."));
            break;
        case kBinary:
            col.size = f.size ? f.size : 255;
            break;
        case kMemo:
        case kOle:
            break;
        case kNumeric:
            if (!m_format.isJet4())
                return fail(Status::invalidArgument(what + "Decimal fields need an Access 2000 database."));
            col.precision = f.precision;
            col.scale = f.scale;
            [[fallthrough]];
        default:
            if (!col.isFixed())
                return fail(Status::invalidArgument(what + "the field " + quoted(f.name) + " has an unknown type."));
            col.size = col.fixedWidth();
        }
        if (f.autoNumber && f.type != kLong)
            return fail(Status::invalidArgument(what + "only Long fields can be AutoNumbers."));
        t.columns.push_back(col);
        t.allowZeroLength.push_back(f.type == kText || f.type == kMemo);
        t.required.push_back(f.required);
        t.autoNumber.push_back(f.autoNumber);
    }
    t.layout = layoutColumns(&t.columns);
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        t.longValues.push_back(t.columns[i].type == kMemo || t.columns[i].type == kOle
                                   ? std::make_unique<LongValuePages>(m_format)
                                   : nullptr);
    TableDef def;
    def.columns = t.columns;
    for (const IndexSpec& spec : indexes) {
        IndexBuild ix;
        for (const auto& [field, descending] : spec.fields) {
            std::size_t i = 0;
            while (i < t.columns.size() && !equalsIgnoringCase(t.columns[i].name, field))
                ++i;
            if (i == t.columns.size() || t.longValues[i])
                return fail(Status::invalidArgument(what + "the index " + quoted(spec.name) + " names " +
                                                    quoted(field) + ", which is not a field it can sort by."));
            ix.columns.push_back(i);
            ix.keys.push_back({t.columns[i].type, descending, kSortGeneral});
            ix.real.columns.push_back(t.columns[i].number);
            ix.real.descending.push_back(descending);
        }
        if (ix.columns.empty() || ix.columns.size() > 10)
            return fail(Status::invalidArgument(what + "an index has 1 to 10 fields."));
        ix.real.flags = static_cast<std::uint8_t>((spec.primaryKey ? 0x09 : 0) | (spec.unique ? 0x01 : 0) |
                                                  (spec.ignoreNulls ? 0x02 : 0));
        const auto number = static_cast<std::uint32_t>(t.indexes.size());
        ix.logical = {number, number, static_cast<std::uint8_t>(spec.primaryKey ? 1 : 0), spec.name};
        def.realIndexes.push_back(ix.real);
        def.logicalIndexes.push_back(ix.logical);
        t.indexes.push_back(std::move(ix));
    }
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        if (t.longValues[i])
            def.longValueMaps.push_back({t.columns[i].number, 0, 0});
    if (tableDefinitionSize(m_format, def) > m_format.pageSize)
        return fail(Status::invalidArgument(what + "too many fields or indexes for one definition page."));
    return startTable(std::move(t));
}

std::uint32_t JetDatabaseWriter::putLongValueRow(LongValuePages& lv, std::string_view row)
{
    if (lv.page == 0 || !lv.builder.fits(row.size())) {
        if (lv.page != 0)
            writePage(lv.page, lv.builder.finish());
        lv.builder.reset(kLongValueOwner);
        if (!reservePages(1, &lv.page))
            return 0;
        addPage(&lv.pages, lv.page);
    }
    return pageRow(lv.page, lv.builder.add(row));
}

Status JetDatabaseWriter::encodeTypedRow(const std::vector<std::optional<std::string_view>>& values)
{
    UserTable& t = *m_table;
    m_pendingKeys.clear();
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef& c = t.columns[i];
        std::optional<std::string_view> v = i < values.size() ? values[i] : std::nullopt;
        std::string& out = m_encoded[i];
        const std::string field = quoted(c.name);
        if (!v && t.autoNumber[i]) {
            out.clear();
            putU32(&out, t.nextAutoNumber++);
            v = out;
        } else if (v && t.autoNumber[i]) {
            t.nextAutoNumber = std::max(t.nextAutoNumber, getU32(v->data()) + 1);
        }
        if (!v || c.type == kBoolean) {
            if (!v && t.required[i] && c.type != kBoolean)
                return fail(Status::invalidArgument("The field " + field + " cannot be Null."));
            const bool on = v && *v != "0" && *v != std::string_view("\0", 1);
            m_fields[i] = on ? std::optional<std::string_view>("\1") : std::nullopt;
            continue;
        }
        switch (c.type) {
        case kText:
        case kMemo: {
            std::string encoded;
            if (!encodeText(m_format, *v, &encoded))
                return fail(Status::invalidArgument("The text " + quoted(*v) + " has the character " +
                                                    unencodableCharacter(m_format, *v) +
                                                    " that a database field cannot hold."));
            if (c.type == kText) {
                if (encoded.size() > c.size)
                    return fail(Status::invalidArgument("The text " + quoted(*v) + " is longer than the field " +
                                                        field + " holds."));
                if (m_format.isJet4())
                    compressUcs2(encoded, &out);
                else
                    out = std::move(encoded);
            } else {
                LongValuePages& lv = *t.longValues[i];
                out = storeLongValue(m_format, encoded, 64,
                                     [&](std::string_view row) { return putLongValueRow(lv, row); });
            }
            break;
        }
        case kOle: {
            LongValuePages& lv = *t.longValues[i];
            out = storeLongValue(m_format, *v, 64, [&](std::string_view row) { return putLongValueRow(lv, row); });
            break;
        }
        case kBinary:
            if (v->size() > c.size)
                return fail(Status::invalidArgument("The value for the field " + field + " is longer than " +
                                                    std::to_string(c.size) + " bytes."));
            out.assign(*v);
            break;
        default:
            if (v->size() != c.fixedWidth())
                return fail(Status::invalidArgument("The value for the field " + field + " must be " +
                                                    std::to_string(c.fixedWidth()) + " bytes."));
            out.assign(*v);
        }
        m_fields[i] = std::string_view(out);
    }
    if (!m_status.isOk())
        return m_status;
    for (std::size_t k = 0; k < t.indexes.size(); ++k) {
        const IndexBuild& ix = t.indexes[k];
        std::string key;
        bool allNull = true;
        bool anyNull = false;
        for (std::size_t j = 0; j < ix.columns.size(); ++j) {
            const std::size_t i = ix.columns[j];
            const bool isBool = t.columns[i].type == kBoolean;
            const std::optional<std::string_view> v =
                isBool ? std::optional<std::string_view>(m_fields[i] ? std::string_view("\1", 1)
                                                                     : std::string_view("\0", 1))
                       : m_fields[i];
            allNull = allNull && !v;
            anyNull = anyNull || !v;
            if (!appendColumnKey(m_format, ix.keys[j], v, &key))
                return fail(Status::invalidArgument("The index " + quoted(ix.logical.name) +
                                                    " cannot sort the value "
                                                    "of the field " +
                                                    quoted(t.columns[i].name) + "."));
        }
        if (allNull && (ix.real.flags & 0x02))
            continue;
        const bool uniqueCheck = (ix.real.flags & 0x01) && !anyNull;
        if (uniqueCheck && ix.unique.count(key))
            return fail(Status::invalidArgument("The index " + quoted(ix.logical.name) + " of table " + quoted(t.name) +
                                                " already holds a record with that key."));
        m_pendingKeys.push_back({k, std::move(key), uniqueCheck});
    }
    return m_status;
}

void JetDatabaseWriter::finishTypedParts(TableDef* def, DataPageBuilder* maps, std::uint32_t* mapPage)
{
    UserTable& t = *m_table;
    def->nextAutoNumber = t.nextAutoNumber;
    // Map rows go on the table's map page, then on more pages as they fill.
    auto putMap = [&](const PageSet& set) {
        const std::string row = usageMap(set);
        if (!maps->fits(row.size())) {
            writePage(*mapPage, maps->finish());
            maps->reset(0);
            reservePages(1, mapPage);
        }
        return pageRow(*mapPage, maps->add(row));
    };
    for (std::size_t k = 0; k < t.indexes.size(); ++k) {
        IndexBuild& ix = t.indexes[k];
        IndexPages built = buildIndexPages(m_format, t.tdefPage, std::move(ix.entries), m_nextPage);
        std::uint32_t first = 0;
        if (!reservePages(static_cast<std::uint32_t>(built.pages.size()), &first))
            return;
        PageSet pages{{first, first + static_cast<std::uint32_t>(built.pages.size()) - 1}};
        for (std::size_t p = 0; p < built.pages.size(); ++p)
            writePage(first + static_cast<std::uint32_t>(p), built.pages[p]);
        def->realIndexes[k].usageMap = putMap(pages);
        def->realIndexes[k].firstPage = built.root;
        ix.unique = {};
    }
    std::size_t m = 0;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        if (!t.longValues[i])
            continue;
        LongValuePages& lv = *t.longValues[i];
        if (lv.page != 0)
            writePage(lv.page, lv.builder.finish());
        PageSet last;
        if (lv.page != 0)
            last.push_back({lv.page, lv.page});
        def->longValueMaps[m].owned = putMap(lv.pages);
        def->longValueMaps[m].free = putMap(last);
        ++m;
    }
}

void JetDatabaseWriter::flushDataPage()
{
    if (m_pageNumber != 0)
        writePage(m_pageNumber, m_page.finish());
    m_pageNumber = 0;
}

std::string JetDatabaseWriter::usageMap(const PageSet& set)
{
    if (inlineMapFits(m_format, set))
        return encodeInlineMap(m_format, set);
    std::vector<std::uint32_t> pointers(m_format.referencePointers(), 0);
    for (std::uint32_t slot : bitmapSlots(m_format, set)) {
        pointers[slot] = appendPage();
        writePage(pointers[slot], encodeBitmapPage(m_format, slot, set));
    }
    return encodeReferenceMap(m_format, pointers);
}

void JetDatabaseWriter::finishTable()
{
    if (!m_table)
        return;
    UserTable& t = *m_table;
    const std::uint32_t lastDataPage = m_pageNumber;
    flushDataPage();
    PageSet freeSpace;
    if (lastDataPage != 0)
        freeSpace.push_back({lastDataPage, lastDataPage});
    DataPageBuilder maps(m_format, 0);
    maps.add(usageMap(t.dataPages));
    maps.add(encodeInlineMap(m_format, freeSpace));

    TableDef def;
    def.rowCount = t.rowCount;
    def.columns = t.columns;
    def.ownedMap = pageRow(t.mapPage, 0);
    def.freeMap = pageRow(t.mapPage, 1);
    std::uint32_t mapPage = t.mapPage;
    if (t.typed) {
        for (const IndexBuild& ix : t.indexes) {
            def.realIndexes.push_back(ix.real);
            def.logicalIndexes.push_back(ix.logical);
        }
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            if (t.longValues[i])
                def.longValueMaps.push_back({t.columns[i].number, 0, 0});
        finishTypedParts(&def, &maps, &mapPage);
    }
    writePage(mapPage, maps.finish());
    writePage(t.tdefPage, encodeTableDefinition(m_format, def));

    FinishedTable done{t.name, t.tdefPage, {}};
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        if (t.allowZeroLength[i])
            done.zeroLengthColumns.push_back(t.columns[i].name);
    m_finished.push_back(std::move(done));
    m_table.reset();
}

Status JetDatabaseWriter::close()
{
    if (m_closed)
        return m_status;
    m_closed = true;
    if (!ioFailed()) {
        finishTable();
        writeCatalog();
    }
    if (!ioFailed() && ::fsync(m_fd) != 0)
        m_status = Status::ioError("Could not write " + m_path + ": " + std::strerror(errno));
    if (::close(m_fd) != 0 && !ioFailed())
        m_status = Status::ioError("Could not write " + m_path + ": " + std::strerror(errno));
    m_fd = -1;
    return m_status;
}

void JetDatabaseWriter::writeCatalog()
{
    const Format& f = m_format;
    SystemTable objects = objectsTable(f);
    SystemTable aces = acesTable(f);
    const Sids& sid = sidsOf(f);

    // Property blobs (AllowZeroLength) first: MSysObjects rows point at them.
    std::vector<CatalogObject> catalog = {
        {kTablesId, kRootId, "Tables", 3, sid.engine, kSystemObjectFlags, {}, 0},
        {kDatabasesId, kRootId, "Databases", 3, sid.engine, kSystemObjectFlags, {}, 0},
        {kRelationshipsId, kRootId, "Relationships", 3, sid.engine, kSystemObjectFlags, {}, 0},
        {kMSysDbId, kDatabasesId, "MSysDb", 2, sid.admin, kSystemObjectFlags, {}, 0},
        {kObjectsTdef, kTablesId, "MSysObjects", 1, sid.engine, kSystemObjectFlags, {}, 0},
        {kAcesTdef, kTablesId, "MSysACEs", 1, sid.engine, kSystemObjectFlags, {}, 0},
        {kQueriesTdef, kTablesId, "MSysQueries", 1, sid.engine, kSystemObjectFlags, {}, 0},
        {kRelationshipsTdef, kTablesId, "MSysRelationships", 1, sid.engine, kSystemObjectFlags, {}, 0},
    };
    PageSet lvalPages;
    DataPageBuilder lval(f, kLongValueOwner);
    std::uint32_t lvalPage = 0;
    for (const FinishedTable& t : m_finished) {
        CatalogObject o{t.tdefPage, kTablesId, t.name, 1, sid.admin, 0, {}, 0};
        if (!t.zeroLengthColumns.empty()) {
            std::string blob = encodeZeroLengthProperties(f, t.zeroLengthColumns);
            if (lvalPage == 0 || !lval.fits(blob.size())) {
                if (lvalPage != 0)
                    writePage(lvalPage, lval.finish());
                lval.reset(kLongValueOwner);
                lvalPage = appendPage();
                if (lvalPages.empty())
                    lvalPages.push_back({lvalPage, lvalPage});
                lvalPages.back().last = lvalPage;
            }
            o.propertiesPointer = pageRow(lvalPage, lval.add(blob));
            o.propertiesLength = static_cast<std::uint32_t>(blob.size());
        }
        catalog.push_back(std::move(o));
    }
    if (lvalPage != 0)
        writePage(lvalPage, lval.finish());

    // MSysObjects rows, and the entries of its two indexes.
    std::vector<std::string> nameEntries;
    std::vector<std::string> idEntries;
    PageSet objectsPages;
    {
        DataPageBuilder page(f, kObjectsTdef);
        std::uint32_t pageNumber = 0;
        std::vector<std::optional<std::string_view>> v(objects.def.columns.size());
        std::string row;
        for (const CatalogObject& o : catalog) {
            std::string id = fixedU32(o.id);
            std::string parent = fixedU32(o.parentId);
            std::string name;
            encodeText(f, o.name, &name);
            std::string type = fixedU16(o.type);
            std::string date = fixedF64(m_creationDate);
            std::string flags = fixedU32(o.flags);
            std::string props;
            std::fill(v.begin(), v.end(), std::nullopt);
            v[0] = id;
            v[1] = parent;
            v[2] = name;
            v[3] = type;
            v[4] = date;
            v[5] = date;
            v[6] = o.owner;
            v[7] = flags;
            if (o.propertiesPointer) {
                putU24(&props, o.propertiesLength);
                putU8(&props, 0x40); // one row on a long-value page
                putU32(&props, *o.propertiesPointer);
                putU32(&props, 0);
                v[14] = props;
            }
            encodeRow(f, objects.def.columns, objects.layout, v.data(), &row);
            if (pageNumber == 0 || !page.fits(row.size())) {
                if (pageNumber != 0)
                    writePage(pageNumber, page.finish());
                page.reset(kObjectsTdef);
                pageNumber = appendPage();
                if (objectsPages.empty())
                    objectsPages.push_back({pageNumber, pageNumber});
                objectsPages.back().last = pageNumber;
            }
            const std::uint32_t rowNumber = page.add(row);
            std::string e;
            appendLongKey(&e, o.parentId);
            appendTextKey(f, &e, o.name);
            appendIndexRowPointer(&e, pageNumber, rowNumber);
            nameEntries.push_back(std::move(e));
            std::string k;
            appendLongKey(&k, o.id);
            appendIndexRowPointer(&k, pageNumber, rowNumber);
            idEntries.push_back(std::move(k));
        }
        writePage(pageNumber, page.finish());
    }

    // MSysACEs: the rights every new database grants, then two per table.
    std::vector<AceRow> aceRows = {
        {kObjectsTdef, sid.admin, 393216, false},
        {kAcesTdef, sid.admin, 393216, false},
        {kQueriesTdef, sid.admin, 393216, false},
        {kRelationshipsTdef, sid.admin, 917504, false},
        {kTablesId, sid.creator, 983294, true},
        {kTablesId, sid.admin, f.isJet4() ? 393217u : 1048319u, !f.isJet4()},
        {kRelationshipsId, sid.creator, 983294, true},
        {kRelationshipsId, sid.admin, 393217, false},
        {kDatabasesId, sid.admin, 393216, false},
        {kMSysDbId, sid.admin, 393230, false},
        {kMSysDbId, sid.users, 14, false},
        {kQueriesTdef, sid.users, 20, false},
        {kRelationshipsTdef, sid.users, 20, false},
        {kObjectsTdef, sid.users, 20, false},
        {kTablesId, sid.users, 1048319, true},
        {kRelationshipsId, sid.users, 1048575, true},
    };
    for (const FinishedTable& t : m_finished) {
        aceRows.push_back({t.tdefPage, sid.admin, 1048319, false});
        aceRows.push_back({t.tdefPage, sid.users, 1048319, false});
    }
    std::vector<std::string> aceEntries;
    PageSet acesPages;
    {
        DataPageBuilder page(f, kAcesTdef);
        std::uint32_t pageNumber = 0;
        std::string row;
        for (const AceRow& a : aceRows) {
            std::string object = fixedU32(a.objectId);
            std::string acm = fixedU32(a.acm);
            std::optional<std::string_view> v[4] = {object, a.sid, acm, std::nullopt};
            if (a.inheritable)
                v[3] = std::string_view("", 0);
            encodeRow(f, aces.def.columns, aces.layout, v, &row);
            if (pageNumber == 0 || !page.fits(row.size())) {
                if (pageNumber != 0)
                    writePage(pageNumber, page.finish());
                page.reset(kAcesTdef);
                pageNumber = appendPage();
                if (acesPages.empty())
                    acesPages.push_back({pageNumber, pageNumber});
                acesPages.back().last = pageNumber;
            }
            const std::uint32_t rowNumber = page.add(row);
            std::string e;
            appendLongKey(&e, a.objectId);
            appendIndexRowPointer(&e, pageNumber, rowNumber);
            aceEntries.push_back(std::move(e));
        }
        writePage(pageNumber, page.finish());
    }

    // Index leaves, one per index.
    writePage(kObjectsIndex0Leaf, encodeIndexLeaf(f, kObjectsTdef, std::move(nameEntries)));
    writePage(kObjectsIndex1Leaf, encodeIndexLeaf(f, kObjectsTdef, std::move(idEntries)));
    writePage(kAcesLeaf, encodeIndexLeaf(f, kAcesTdef, std::move(aceEntries)));
    writePage(kQueriesLeaf, encodeIndexLeaf(f, kQueriesTdef, {}));
    for (std::uint32_t i = 0; i < 3; ++i)
        writePage(kRelationshipsLeaf0 + i, encodeIndexLeaf(f, kRelationshipsTdef, {}));

    writeSystemMaps(objectsPages, acesPages, lvalPages);

    objects.def.rowCount = static_cast<std::uint32_t>(catalog.size());
    aces.def.rowCount = static_cast<std::uint32_t>(aceRows.size());
    writePage(kObjectsTdef, encodeTableDefinition(f, objects.def));
    writePage(kAcesTdef, encodeTableDefinition(f, aces.def));
    writePage(kQueriesTdef, encodeTableDefinition(f, queriesTable(f).def));
    writePage(kRelationshipsTdef, encodeTableDefinition(f, relationshipsTable(f).def));

    writeGlobalMap();

    std::string password;
    encodeText(f, m_password, &password);
    writePage(0, encodeHeaderPage(f, password, m_creationDate));
}

void JetDatabaseWriter::writeSystemMaps(const PageSet& objectsPages, const PageSet& acesPages, const PageSet& lvalPages)
{
    const Format& f = m_format;
    const std::string none = encodeInlineMap(f, {});
    auto lastOf = [](const PageSet& s) { return s.empty() ? PageSet{} : PageSet{{s.back().last, s.back().last}}; };
    {
        // Page 6: MSysObjects owned/free, then owned/free per long-value
        // column (8, 9, 12, 13, 14, 15, 16); only LvProp (14) has pages.
        DataPageBuilder page(f, 0);
        page.add(encodeInlineMap(f, objectsPages));
        page.add(encodeInlineMap(f, lastOf(objectsPages)));
        for (int column : {8, 9, 12, 13, 14, 15, 16}) {
            page.add(encodeInlineMap(f, column == 14 ? lvalPages : PageSet{}));
            if (column != 16)
                page.add(encodeInlineMap(f, column == 14 ? lastOf(lvalPages) : PageSet{}));
        }
        writePage(kObjectsMapPage, page.finish());
        DataPageBuilder page7(f, 0);
        page7.add(none);
        writePage(kObjectsMapPage2, page7.finish());
    }
    auto singleMap = [&](std::uint32_t pageNumber, std::uint32_t leaf) {
        DataPageBuilder page(f, 0);
        page.add(encodeInlineMap(f, {{leaf, leaf}}));
        writePage(pageNumber, page.finish());
    };
    singleMap(kObjectsIndex0Map, kObjectsIndex0Leaf);
    singleMap(kObjectsIndex1Map, kObjectsIndex1Leaf);
    {
        DataPageBuilder page(f, 0);
        page.add(encodeInlineMap(f, acesPages));                      // 0 MSysACEs owned
        page.add(encodeInlineMap(f, lastOf(acesPages)));              // 1 free
        page.add(encodeInlineMap(f, {{kAcesLeaf, kAcesLeaf}}));       // 2 index
        page.add(none);                                               // 3 MSysQueries owned
        page.add(none);                                               // 4 free
        page.add(none);                                               // 5 Expression owned
        page.add(none);                                               // 6 Expression free
        page.add(encodeInlineMap(f, {{kQueriesLeaf, kQueriesLeaf}})); // 7 index
        page.add(none);                                               // 8 MSysRelationships owned
        page.add(none);                                               // 9 free
        for (std::uint32_t i = 0; i < 3; ++i)                         // 10..12 indexes
            page.add(encodeInlineMap(f, {{kRelationshipsLeaf0 + i, kRelationshipsLeaf0 + i}}));
        writePage(kOtherMapsPage, page.finish());
    }
}

void JetDatabaseWriter::writeGlobalMap()
{
    std::vector<std::string> bitmaps;
    const std::string page = encodeGlobalMapPage(m_format, m_nextPage, &bitmaps);
    for (const std::string& bitmap : bitmaps)
        writePage(appendPage(), bitmap);
    writePage(kGlobalMapPage, page);
}

} // namespace

double oleDateNow()
{
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return seconds / 86400.0 + 25569.0; // 1970-01-01 is day 25569
}

namespace
{

// An empty regular file that the caller created for the database (a locked
// temporary file); -1 with errno EEXIST for anything else.
int openReservedFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {
    };
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    errno = EEXIST;
    return -1;
}

} // namespace

std::unique_ptr<DatabaseWriter> createDatabaseWriter(const std::string& path, JetVersion version,
                                                     std::string_view password, const WriterOptions& options,
                                                     Status* error)
{
    const Format& format = formatOf(version);
    auto refuse = [&](Status s) -> std::unique_ptr<DatabaseWriter> {
        if (error)
            *error = std::move(s);
        return nullptr;
    };
    std::string encodedPassword;
    if (!encodeText(format, password, &encodedPassword) || encodedPassword.size() > format.passwordSize)
        return refuse(Status::invalidArgument("The database password must be at most 20 characters the database "
                                              "can hold."));
    if (path.empty())
        return refuse(Status::invalidFileName("No file name was given for the database."));
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST)
        fd = openReservedFile(path);
    if (fd < 0) {
        const int e = errno;
        if (e == EEXIST)
            return refuse(Status::ioError("The database " + path + " already exists."));
        if (e == ENOENT || e == ENOTDIR || e == EISDIR || e == ENAMETOOLONG)
            return refuse(Status::invalidFileName(path + " is not a valid file name: " + std::strerror(e)));
        return refuse(Status::ioError("Could not create " + path + ": " + std::strerror(e)));
    }
    const double date = options.creationDate >= 0 ? options.creationDate : oleDateNow();
    const std::uint32_t maxPages =
        options.maxPages != 0 ? std::min(options.maxPages, format.maxPages) : format.maxPages;
    if (error)
        *error = Status::ok();
    return std::make_unique<JetDatabaseWriter>(format, fd, path, std::string(password), date, maxPages);
}

Status createTypedTable(DatabaseWriter& writer, std::string_view name, const std::vector<FieldSpec>& fields,
                        const std::vector<IndexSpec>& indexes)
{
    auto* jet = dynamic_cast<JetDatabaseWriter*>(&writer);
    if (!jet)
        return Status::unsupported("Tables of any field type need a writer made by createDatabaseWriter.");
    return jet->createTypedTable(name, fields, indexes);
}

std::unique_ptr<DatabaseWriter> DatabaseWriter::create(const std::string& path, JetVersion version,
                                                       std::string_view password, Status* error)
{
    return createDatabaseWriter(path, version, password, WriterOptions{}, error);
}

} // namespace quorlix::jet
