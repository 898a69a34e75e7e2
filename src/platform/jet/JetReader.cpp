// DatabaseReader over libmdb.
//
// libmdb keeps one page buffer per handle and does not re-read the page it
// believes current, so every TableReader walks its table on its own clone of
// the handle; two tables can then be read side by side.
//
// libmdb reports trouble by printing and by returning "no more rows". We keep
// its printing away from the user (see QuietLibrary) and compare the rows a walk
// produced with the records on the pages the table's page map lists: a walk
// that gave fewer has met a page or a record it could not read. (The count a
// table definition stores is no measure: Access leaves it stale.)

#include "platform/jet/JetReader.h"
#include "platform/ResultListBuffer.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetRecords.h"

#include <mdbtools.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace quorlix::jet
{
namespace
{

constexpr std::size_t kJet3PageSize = 2048;
constexpr std::size_t kJet4PageSize = 4096;
constexpr std::size_t kMaskStart = 0x18;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kJet4DateOffset = 0x72;
constexpr int kOffsetMask = 0x1FFF;
constexpr std::uint32_t kCatalogPage = 2; // MSysObjects' definition

// RC4 keystream of the fixed header key; the header fields from 0x18 on are
// XORed with it.
std::array<std::uint8_t, 128> headerKeystream()
{
    const std::array<std::uint8_t, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<std::uint8_t, 256> s{};
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    std::array<std::uint8_t, 128> out{};
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (auto& byte : out) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        byte = s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
    return out;
}

// Code page 1252 bytes 0x80..0x9F; the five undefined ones keep their C1
// code point so that nothing is lost.
constexpr std::array<char16_t, 32> kCp1252High{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendCp1252(std::string& out, const unsigned char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char b = bytes[i];
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else if (b < 0xA0)
            appendUtf8(out, kCp1252High[b - 0x80]);
        else
            appendUtf8(out, b);
    }
}

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return g_ascii_tolower(x) == g_ascii_tolower(y); });
}

// libmdb prints warnings to stderr (and hex dumps to stdout) while it reads a
// damaged file. For the length of one call both streams point at /dev/null.
// A whole file in memory, shared by a database's handles. libmdb seeks, asks
// the file's size and reads again for every page of a file it opened itself;
// from memory a dictionary loads without a system call per page.
using FileImage = std::shared_ptr<PodBuffer<unsigned char>>;
constexpr std::uintmax_t kMaxImageBytes = std::uintmax_t{64} << 20;

// nullptr for a file too large to hold (it is read from disk instead) or unreadable.
FileImage readImage(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return nullptr;
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::uintmax_t>(size) > kMaxImageBytes)
        return nullptr;
    // A mapped buffer (huge pages when large) rather than a zero-filled vector:
    // fewer page faults, and the bytes are written once.
    auto image = std::make_shared<PodBuffer<unsigned char>>();
    image->resize(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(image->data()), size))
        return nullptr;
    return image;
}

// A file's pages, from its image when it is held, else from disk.
class ReaderPages final : public PageSource
{
public:
    ReaderPages(FileImage image, const std::string& path, std::uint32_t pageSize)
        : m_image(std::move(image)), m_pageSize(pageSize)
    {
        if (m_image)
            m_pages = static_cast<std::uint32_t>(m_image->size() / pageSize);
        else
            m_file = std::make_unique<FilePageSource>(path, pageSize);
    }
    bool read(std::uint32_t page, std::string* out) override
    {
        if (m_file)
            return m_file->read(page, out);
        if (page >= m_pages)
            return false;
        const auto* at = m_image->data() + std::size_t{page} * m_pageSize;
        out->assign(reinterpret_cast<const char*>(at), m_pageSize);
        return true;
    }
    std::uint32_t pageCount() const override { return m_file ? m_file->pageCount() : m_pages; }

private:
    FileImage m_image;
    std::unique_ptr<FilePageSource> m_file;
    std::uint32_t m_pageSize;
    std::uint32_t m_pages = 0;
};

// Whether a walk that gave `read` records met every record of the table
// defined on tdefPage: those on the data pages its page map lists. The
// count the definition stores is left aside; Access lets it go stale.
bool walkIsComplete(const Format& format, PageSource& pages, std::uint32_t tdefPage, std::uint64_t read)
{
    std::vector<std::uint32_t> listed;
    if (!readTablePageMap(format, pages, tdefPage, &listed))
        return false;
    const ListedPages sorted = sortListedPages(format, pages, tdefPage, listed);
    return sorted.damaged.empty() && read >= sorted.recordSlots;
}

// Held by the process while any thread holds a QuietLibrary.
struct Quiet {
    std::mutex mutex;
    int holders = 0;
    std::FILE* err = nullptr;
    std::FILE* out = nullptr;
};

Quiet& quiet()
{
    static Quiet* q = new Quiet; // never destroyed: a reader may close during exit
    return *q;
}

thread_local int t_quietDepth = 0;

struct HandleCloser {
    void operator()(MdbHandle* handle) const
    {
        const QuietLibrary quiet;
        mdb_close(handle);
    }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const
    {
        const QuietLibrary quiet;
        mdb_free_tabledef(table);
    }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

std::string damaged(const std::string& path)
{
    return "The database file " + path + " is damaged and cannot be read.";
}

MdbCatalogEntry* findUserTable(MdbHandle* mdb, std::string_view name, bool systemToo = false)
{
    if (!mdb->catalog)
        return nullptr;
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && (systemToo || mdb_is_user_table(entry)) &&
            equalsNoCase(entry->object_name, name))
            return entry;
    }
    return nullptr;
}

// The installed libmdb accepts an empty usage map and then walks a null
// pointer; a table without one is damaged.
bool tableDefIsUsable(MdbTableDef* table)
{
    return table && table->usage_map && table->map_sz >= 1 && mdb_read_columns(table) && table->columns &&
           table->columns->len == table->num_cols;
}

// Reads a table's definition and columns; the caller owns the result.
TableDefPtr readTableDef(MdbCatalogEntry* entry, const std::string& path, Status* error)
{
    const QuietLibrary quiet;
    TableDefPtr table(mdb_read_table(entry));
    if (!tableDefIsUsable(table.get())) {
        *error = Status::corruption(damaged(path));
        return nullptr;
    }
    return table;
}

// True when libmdb's property parser can walk blob without leaving it or
// looping: every chunk and record length it follows must move forward and
// stay inside, and fixed-width values must be complete.
bool propertyBlobIsSound(const unsigned char* blob, std::size_t length)
{
    if (length < 4 || (std::memcmp(blob, "KKD", 4) != 0 && std::memcmp(blob, "MR2", 4) != 0))
        return false;
    std::size_t pos = 4;
    bool haveNames = false;
    std::size_t nameCount = 0;
    while (pos < length) {
        if (length - pos < 6)
            return false;
        const std::uint32_t chunkLength = le32(blob + pos);
        if (chunkLength < 6 || chunkLength > length - pos)
            return false;
        const std::uint16_t type = le16(blob + pos + 4);
        const unsigned char* body = blob + pos + 6;
        const std::size_t bodyLength = chunkLength - 6;
        if (type == 0x80) {
            nameCount = 0;
            for (std::size_t p = 0; p < bodyLength;) {
                if (bodyLength - p < 2)
                    return false;
                const std::size_t n = le16(body + p);
                p += 2;
                if (n > bodyLength - p)
                    return false;
                p += n;
                ++nameCount;
            }
            haveNames = true;
        } else if (type <= 2 && haveNames) {
            if (bodyLength < 6)
                return false;
            const std::size_t nameLength = le16(body + 4);
            if (nameLength > bodyLength - 6)
                return false;
            for (std::size_t p = 6 + nameLength; p < bodyLength;) {
                if (bodyLength - p < 8)
                    return false;
                const std::size_t recordLength = le16(body + p);
                const int dataType = body[p + 3];
                const std::size_t element = le16(body + p + 4);
                const std::size_t dataSize = le16(body + p + 6);
                if (element >= nameCount || p + 8 + dataSize > bodyLength)
                    break; // libmdb stops here as well
                static constexpr int kWidth[17] = {0, 1, 1, 2, 4, 8, 4, 8, 8, 0, 0, 0, 0, 0, 0, 16, 17};
                if (dataType >= 0 && dataType < 17 && dataSize < static_cast<std::size_t>(kWidth[dataType]))
                    return false;
                if (recordLength == 0)
                    return false;
                p += recordLength;
            }
        }
        pos += chunkLength;
    }
    return true;
}

// The catalog as mdb_read_catalog builds it, but the properties of a table
// are handed to libmdb only when their bytes are sound: its parser loops
// forever on a zero length and reads past short records.
// Also records every catalog row in rows. False when the catalog cannot
// be read completely (judged by its pages): a table list with gaps would
// make a copy drop tables.
bool readCatalog(MdbHandle* mdb, const Format& format, PageSource& pages, std::vector<CatalogObject>* rows)
{
    rows->clear();
    mdb_free_catalog(mdb);
    mdb->catalog = g_ptr_array_new();
    mdb->num_catalog = 0;

    MdbCatalogEntry objects{};
    objects.mdb = mdb;
    objects.object_type = MDB_TABLE;
    objects.table_pg = 2;
    std::snprintf(objects.object_name, sizeof objects.object_name, "%s", "MSysObjects");
    TableDefPtr table(mdb_read_table(&objects));
    if (!tableDefIsUsable(table.get()))
        return false;

    const std::size_t bindSize = mdb->bind_size;
    std::vector<char> id(bindSize), name(bindSize), type(bindSize), flags(bindSize), props(bindSize);
    int propsLength = 0;
    char idName[] = "Id", nameName[] = "Name", typeName[] = "Type", flagsName[] = "Flags", propsName[] = "LvProp";
    if (mdb_bind_column_by_name(table.get(), idName, id.data(), nullptr) == -1 ||
        mdb_bind_column_by_name(table.get(), nameName, name.data(), nullptr) == -1 ||
        mdb_bind_column_by_name(table.get(), typeName, type.data(), nullptr) == -1 ||
        mdb_bind_column_by_name(table.get(), flagsName, flags.data(), nullptr) == -1)
        return false;
    const int propsColumn = mdb_bind_column_by_name(table.get(), propsName, props.data(), &propsLength);
    if (propsColumn < 1)
        return false;
    auto* propsCol = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(propsColumn - 1)));

    char parentName[] = "ParentId";
    std::vector<char> parent(bindSize);
    if (mdb_bind_column_by_name(table.get(), parentName, parent.data(), nullptr) == -1)
        return false;

    std::uint64_t fetched = 0;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        ++fetched;
        rows->push_back({name.data(), static_cast<std::int32_t>(std::atol(id.data())),
                         static_cast<std::int32_t>(std::atol(parent.data())), std::atoi(type.data()),
                         static_cast<std::uint32_t>(std::atol(flags.data())), propsLength > 0,
                         propsLength == 0 || std::atoi(type.data()) != MDB_TABLE});
        if (std::atoi(type.data()) != MDB_TABLE)
            continue;
        auto* entry = static_cast<MdbCatalogEntry*>(g_malloc0(sizeof(MdbCatalogEntry)));
        entry->mdb = mdb;
        std::snprintf(entry->object_name, sizeof entry->object_name, "%s", name.data());
        entry->object_type = MDB_TABLE;
        entry->table_pg = static_cast<unsigned long>(std::atol(id.data()) & 0x00FFFFFF);
        entry->flags = static_cast<int>(std::atol(flags.data()));
        mdb->num_catalog++;
        g_ptr_array_add(mdb->catalog, entry);
        if (propsLength < MDB_MEMO_OVERHEAD)
            continue;
        char header[MDB_MEMO_OVERHEAD];
        std::memcpy(header, props.data(), sizeof header);
        const std::size_t declared = le32(reinterpret_cast<unsigned char*>(header)) & 0x00FFFFFF;
        std::string blob;
        std::size_t got = mdb_ole_read(mdb, propsCol, header, bindSize);
        // A chain of long-value pieces may point back into itself.
        for (int pieces = 0; got > 0 && got <= bindSize && pieces < 4096; ++pieces) {
            blob.append(props.data(), got);
            if (blob.size() >= declared)
                break;
            got = mdb_ole_read_next(mdb, propsCol, header);
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(blob.data());
        if (blob.size() >= declared && propertyBlobIsSound(bytes, blob.size())) {
            entry->props = mdb_kkd_to_props(mdb, blob.data(), blob.size());
            rows->back().propertiesReadable = entry->props != nullptr;
        }
    }
    return walkIsComplete(format, pages, kCatalogPage, fetched);
}

std::vector<std::string> propertyNames(const MdbProperties* props)
{
    std::vector<std::string> names;
    if (!props || !props->hash)
        return names;
    g_hash_table_foreach(
        props->hash,
        [](gpointer key, gpointer, gpointer out) {
            static_cast<std::vector<std::string>*>(out)->emplace_back(static_cast<const char*>(key));
        },
        &names);
    std::sort(names.begin(), names.end());
    return names;
}

class JetTableReader final : public TableReader
{
public:
    JetTableReader(FileImage image, HandlePtr handle, TableDefPtr table, std::string path)
        : m_image(std::move(image)), m_handle(std::move(handle)), m_table(std::move(table)), m_path(std::move(path))
    {
        m_fields.resize(m_table->num_cols);
        m_names.reserve(m_table->num_cols);
        for (unsigned i = 0; i < m_table->num_cols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i));
            m_names.emplace_back(col->name);
            m_columns.push_back(col);
        }
        m_jet3 = m_handle->f->jet_version == MDB_VER_JET3;
        const QuietLibrary quiet;
        mdb_rewind_table(m_table.get());
    }

    ~JetTableReader() override
    {
        m_table.reset(); // before the handle it points into
    }

    const std::vector<std::string>& columnNames() const override { return m_names; }

    bool next() override
    {
        if (m_done)
            return false;
        const QuietLibrary quiet;
        m_haveRow = false;
        while (mdb_fetch_row(m_table.get())) {
            // mdb_fetch_row has accepted the row; crack it again to learn
            // Null from zero-length, which its bound values do not tell.
            MdbHandle* mdb = m_handle.get();
            int start = 0;
            std::size_t length = 0;
            if (m_table->cur_row == 0 ||
                mdb_find_row(mdb, static_cast<int>(m_table->cur_row - 1), &start, &length) != 0)
                continue;
            start &= kOffsetMask;
            if (mdb_crack_row(m_table.get(), start, length, m_fields.data()) < 0)
                continue;
            m_raw.assign(reinterpret_cast<const char*>(mdb->pg_buf + start), length);
            m_rawPage = m_table->cur_phys_pg;
            m_rawRow = m_table->cur_row - 1;
            ++m_rowsRead;
            m_haveRow = true;
            return true;
        }
        m_done = true;
        const Format& format = formatOf(m_jet3 ? JetVersion::Jet3 : JetVersion::Jet4);
        ReaderPages pages(m_image, m_path, format.pageSize);
        if (!walkIsComplete(format, pages, static_cast<std::uint32_t>(m_table->entry->table_pg), m_rowsRead))
            m_status = Status::corruption(damaged(m_path));
        return false;
    }

    std::optional<std::string> field(std::size_t index) const override
    {
        if (!m_haveRow || index >= m_fields.size()) {
            if (index >= m_fields.size())
                m_status = Status::notFound("Item not found in this collection.");
            return std::nullopt;
        }
        const MdbField& f = m_fields[index];
        const MdbColumn* col = m_columns[static_cast<std::size_t>(f.colnum)];
        if (col->col_type == MDB_BOOL)
            return std::string(f.is_null ? "0" : "1");
        if (f.is_null)
            return std::nullopt;
        MdbHandle* mdb = m_handle.get();
        if (f.start < 0 || f.siz < 0 ||
            static_cast<std::size_t>(f.start) + static_cast<std::size_t>(f.siz) >
                static_cast<std::size_t>(mdb->fmt->pg_size))
            return std::nullopt;
        const auto* bytes = mdb->pg_buf + f.start;
        if (col->col_type == MDB_TEXT && m_jet3) {
            std::string out;
            out.reserve(static_cast<std::size_t>(f.siz));
            appendCp1252(out, bytes, static_cast<std::size_t>(f.siz));
            return out;
        }
        if (col->col_type == MDB_OLE) {
            // The field holds where the value lies; the value is what callers want.
            const Format& format = formatOf(m_jet3 ? JetVersion::Jet3 : JetVersion::Jet4);
            if (!m_pages)
                m_pages = std::make_unique<FilePageSource>(m_path, format.pageSize);
            std::string value;
            const std::string_view stored(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(f.siz));
            if (!readLongValue(format, *m_pages, stored, &value)) {
                m_status = Status::corruption(damaged(m_path));
                return std::nullopt;
            }
            return value;
        }
        if (col->col_type == MDB_BINARY)
            return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(f.siz));
        if (f.siz == 0)
            return std::string();
        const QuietLibrary quiet;
        gchar* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
        std::string out = text ? text : "";
        g_free(text);
        return out;
    }

    std::optional<std::string> field(std::string_view name) const override
    {
        for (std::size_t i = 0; i < m_names.size(); ++i)
            if (equalsNoCase(m_names[i], name))
                return field(i);
        m_status = Status::notFound("Item not found in this collection.");
        return std::nullopt;
    }

    std::uint64_t rowCount() const override { return m_table->num_rows; }
    Status status() const override { return m_status; }

    bool rawRow(RawRow* row) const
    {
        if (!m_haveRow)
            return false;
        row->bytes = m_raw;
        row->page = m_rawPage;
        row->row = m_rawRow;
        return true;
    }

private:
    FileImage m_image; // outlives the handle that reads from it
    HandlePtr m_handle;
    TableDefPtr m_table;
    std::string m_path;
    std::vector<std::string> m_names;
    std::vector<MdbColumn*> m_columns;
    std::vector<MdbField> m_fields;
    mutable std::unique_ptr<FilePageSource> m_pages; // long values, read when asked for
    std::string m_raw;                               // the current record as stored
    std::uint32_t m_rawPage = 0;
    std::uint32_t m_rawRow = 0;
    std::uint64_t m_rowsRead = 0;
    bool m_jet3 = true;
    bool m_haveRow = false;
    bool m_done = false;
    mutable Status m_status;
};

class JetDatabaseReader final : public DatabaseReader
{
public:
    JetDatabaseReader(FileImage image, HandlePtr handle, std::string path, int versionByte,
                      std::vector<CatalogObject> objects)
        : m_image(std::move(image)), m_handle(std::move(handle)), m_path(std::move(path)), m_versionByte(versionByte),
          m_objects(std::move(objects))
    {
        for (unsigned i = 0; i < m_handle->catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_handle->catalog, i));
            if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
                m_tables.emplace_back(entry->object_name);
        }
    }

    JetVersion version() const override { return m_versionByte == 0 ? JetVersion::Jet3 : JetVersion::Jet4; }
    std::vector<std::string> tables() const override { return m_tables; }

    std::unique_ptr<TableReader> openTable(std::string_view name, Status* error) override
    {
        return open(name, false, error);
    }

    std::unique_ptr<TableReader> open(std::string_view name, bool systemToo, Status* error)
    {
        Status ignored;
        Status& err = error ? *error : ignored;
        err = Status::ok();
        MdbCatalogEntry* own = findUserTable(m_handle.get(), name, systemToo);
        if (!own) {
            err = Status::notFound("Table '" + std::string(name) + "' not found in " + m_path + ".");
            return nullptr;
        }
        HandlePtr clone;
        {
            const QuietLibrary quiet;
            clone.reset(mdb_clone_handle(m_handle.get()));
        }
        MdbCatalogEntry* entry = clone ? findUserTable(clone.get(), own->object_name, systemToo) : nullptr;
        if (!entry) {
            err = Status::ioError("Could not read table '" + std::string(name) + "' of " + m_path + ".");
            return nullptr;
        }
        TableDefPtr table = readTableDef(entry, m_path, &err);
        if (!table)
            return nullptr;
        return std::make_unique<JetTableReader>(m_image, std::move(clone), std::move(table), m_path);
    }

    // The definition of a user table, or null with the reason.
    TableDefPtr userTableDef(std::string_view name, Status* err)
    {
        MdbCatalogEntry* entry = findUserTable(m_handle.get(), name);
        if (!entry) {
            *err = Status::notFound("Table '" + std::string(name) + "' not found in " + m_path + ".");
            return nullptr;
        }
        return readTableDef(entry, m_path, err);
    }

    Status describe(std::string_view name, std::vector<ColumnInfo>* columns)
    {
        columns->clear();
        Status err;
        TableDefPtr table = userTableDef(name, &err);
        if (!table)
            return err;
        const QuietLibrary quiet;
        for (unsigned i = 0; i < table->num_cols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            ColumnInfo info;
            info.name = col->name;
            info.type = col->col_type;
            info.size = col->col_size;
            const char* azl = mdb_col_get_prop(col, "AllowZeroLength");
            const char* req = mdb_col_get_prop(col, "Required");
            info.allowZeroLength = azl && std::strcmp(azl, "yes") == 0;
            info.required = req && std::strcmp(req, "yes") == 0;
            if (col->props)
                info.properties = propertyNames(col->props);
            columns->push_back(std::move(info));
        }
        return Status::ok();
    }

    int versionByte() const { return m_versionByte; }
    const std::vector<CatalogObject>& objects() const { return m_objects; }

    Status tableProperties(std::string_view name, std::vector<std::string>* names)
    {
        names->clear();
        Status err;
        TableDefPtr table = userTableDef(name, &err);
        if (!table)
            return err;
        if (table->props)
            *names = propertyNames(table->props);
        return Status::ok();
    }

    Status checkCatalog()
    {
        const Format& format = formatOf(version());
        ReaderPages pages(m_image, m_path, format.pageSize);
        const FreePageMap free(format, pages);
        // Records on the pages in use, by the definition page that owns them.
        std::unordered_map<std::uint32_t, std::uint64_t> held;
        std::string page;
        for (std::uint32_t p = 1; p < pages.pageCount(); ++p) {
            if (!pages.read(p, &page) || page[0] != 0x01 || free.isFree(p))
                continue;
            std::uint64_t records = 0;
            for (std::uint32_t r = 0; r < slotCount(format, page); ++r)
                records += isRecordSlot(format, page, r);
            held[le32(reinterpret_cast<const unsigned char*>(page.data()) + 4)] += records;
        }
        std::vector<std::uint32_t> named;
        for (const CatalogObject& o : m_objects)
            if (o.type == MDB_TABLE)
                named.push_back(static_cast<std::uint32_t>(o.id) & 0x00FFFFFF);
        std::sort(named.begin(), named.end());
        std::vector<std::pair<std::uint32_t, std::uint64_t>> owners(held.begin(), held.end());
        std::sort(owners.begin(), owners.end());
        for (const auto& [owner, records] : owners) {
            if (owner < 2 || records == 0 || free.isFree(owner) ||
                std::binary_search(named.begin(), named.end(), owner) || !pages.read(owner, &page) || page[0] != 0x02)
                continue;
            return Status::corruption("The table list of " + m_path + " is incomplete: the table defined on page " +
                                      std::to_string(owner) + " holds " + std::to_string(records) +
                                      " records but is not listed.");
        }
        return Status::ok();
    }

private:
    FileImage m_image; // outlives the handles that read from it
    HandlePtr m_handle;
    std::string m_path;
    int m_versionByte;
    std::vector<std::string> m_tables;
    std::vector<CatalogObject> m_objects;
};

} // namespace

Status readFileHeader(const std::string& path, FileHeader* header)
{
    struct stat st {
    };
    if (path.empty() || path.back() == '/')
        return Status::invalidFileName("Not a valid file name.");
    if (::stat(path.c_str(), &st) != 0)
        return Status::ioError("Could not find file '" + path + "'.");
    if (S_ISDIR(st.st_mode))
        return Status::invalidFileName("Not a valid file name.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::ioError("Could not open file '" + path + "'.");
    std::array<unsigned char, kJet3PageSize> page{};
    in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    const Status unrecognized = Status::corruption("Unrecognized database format '" + path + "'.");
    static constexpr unsigned char kMagic[4] = {0x00, 0x01, 0x00, 0x00};
    if (got < kJet3PageSize || std::memcmp(page.data(), kMagic, 4) != 0)
        return unrecognized;
    const std::string_view engine(reinterpret_cast<const char*>(page.data()) + 4, 15);
    if (engine != "Standard Jet DB" && engine != "Standard ACE DB")
        return unrecognized;
    header->versionByte = page[0x14];
    if (header->versionByte > 6 || (header->versionByte == 0 && engine != "Standard Jet DB"))
        return unrecognized;
    header->pageSize = header->versionByte == 0 ? kJet3PageSize : kJet4PageSize;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (fileSize < 2 * header->pageSize || fileSize % header->pageSize != 0)
        return Status::corruption(damaged(path));

    const auto stream = headerKeystream();
    const std::size_t masked = header->versionByte == 0 ? 126 : 128;
    for (std::size_t i = 0; i < masked; ++i)
        page[kMaskStart + i] ^= stream[i];

    header->databaseKey = le32(&page[0x3E]);
    header->codePage = le16(&page[0x3C]);
    header->password.clear();
    if (header->versionByte == 0) {
        header->sortOrder = le16(&page[0x3A]);
        std::size_t n = 0;
        while (n < 20 && page[kPasswordOffset + n] != 0)
            ++n;
        appendCp1252(header->password, &page[kPasswordOffset], n);
    } else {
        header->sortOrder = le16(&page[0x6E]);
        if (header->versionByte == 1) {
            // Jet 4 hides the password once more under the creation date.
            double created = 0;
            std::memcpy(&created, &page[kJet4DateOffset], sizeof created);
            std::uint32_t mask = 0;
            if (std::isfinite(created) && created > -2147483648.0 && created < 2147483648.0)
                mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(created)));
            unsigned char maskBytes[4] = {static_cast<unsigned char>(mask), static_cast<unsigned char>(mask >> 8),
                                          static_cast<unsigned char>(mask >> 16),
                                          static_cast<unsigned char>(mask >> 24)};
            for (std::size_t i = 0; i < 40; i += 2) {
                const auto lo = static_cast<unsigned char>(page[kPasswordOffset + i] ^ maskBytes[i % 4]);
                const auto hi = static_cast<unsigned char>(page[kPasswordOffset + i + 1] ^ maskBytes[(i + 1) % 4]);
                const char32_t c = static_cast<char32_t>(lo | (hi << 8));
                if (c == 0)
                    break;
                appendUtf8(header->password, c);
            }
        }
    }
    return Status::ok();
}

std::unique_ptr<DatabaseReader> DatabaseReader::open(const std::string& path, std::string_view password, Status* error)
{
    Status ignored;
    Status& err = error ? *error : ignored;
    FileHeader header;
    err = readFileHeader(path, &header);
    if (!err)
        return nullptr;
    // libmdb opens protected files without asking; Jet would refuse a wrong
    // password, so we do. A password given for an unprotected file is ignored,
    // as Jet ignores it.
    if (!header.password.empty() && header.password != password) {
        err = Status::invalidArgument("Not a valid password.");
        return nullptr;
    }
    FileImage image = readImage(path);
    HandlePtr handle;
    std::vector<CatalogObject> objects;
    bool catalogShort = false;
    {
        const QuietLibrary quiet;
        if (image)
            handle.reset(mdb_open_buffer(image->data(), image->size(), MDB_NOFLAGS));
        if (!handle) {
            image.reset();
            handle.reset(mdb_open(path.c_str(), MDB_NOFLAGS));
        }
        const Format& format = formatOf(header.versionByte == 0 ? JetVersion::Jet3 : JetVersion::Jet4);
        ReaderPages pages(image, path, format.pageSize);
        if (handle && !readCatalog(handle.get(), format, pages, &objects)) {
            handle.reset();
            catalogShort = true;
        }
    }
    if (!handle) {
        err = Status::corruption(catalogShort ? "The table list of " + path + " cannot be read completely."
                                              : damaged(path));
        return nullptr;
    }
    return std::make_unique<JetDatabaseReader>(std::move(image), std::move(handle), path, header.versionByte,
                                               std::move(objects));
}

Status describeTable(DatabaseReader& db, std::string_view table, std::vector<ColumnInfo>* columns)
{
    auto* jet = dynamic_cast<JetDatabaseReader*>(&db);
    if (!jet)
        return Status::unsupported("Column properties are only known for files opened by the Jet reader.");
    return jet->describe(table, columns);
}

std::vector<CatalogObject> catalogObjects(const DatabaseReader& db)
{
    const auto* jet = dynamic_cast<const JetDatabaseReader*>(&db);
    return jet ? jet->objects() : std::vector<CatalogObject>{};
}

std::unique_ptr<TableReader> openAnyTable(DatabaseReader& db, std::string_view name, Status* error)
{
    auto* jet = dynamic_cast<JetDatabaseReader*>(&db);
    if (!jet)
        return db.openTable(name, error);
    return jet->open(name, true, error);
}

Status tableProperties(DatabaseReader& db, std::string_view table, std::vector<std::string>* names)
{
    auto* jet = dynamic_cast<JetDatabaseReader*>(&db);
    if (!jet)
        return Status::unsupported("Table properties are only known for files opened by the Jet reader.");
    return jet->tableProperties(table, names);
}

Status checkCatalog(DatabaseReader& db)
{
    auto* jet = dynamic_cast<JetDatabaseReader*>(&db);
    if (!jet)
        return Status::unsupported("Only files opened by the Jet reader can be checked.");
    return jet->checkCatalog();
}

bool currentRawRow(const TableReader& table, RawRow* row)
{
    const auto* walk = dynamic_cast<const JetTableReader*>(&table);
    return walk && walk->rawRow(row);
}

std::string cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    appendCp1252(out, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return out;
}

int formatVersionByte(const DatabaseReader& db)
{
    const auto* jet = dynamic_cast<const JetDatabaseReader*>(&db);
    return jet ? jet->versionByte() : (db.version() == JetVersion::Jet3 ? 0 : 1);
}

QuietLibrary::QuietLibrary()
{
    if (t_quietDepth++ > 0)
        return;
    static std::FILE* sink = std::fopen("/dev/null", "w");
    Quiet& q = quiet();
    const std::lock_guard<std::mutex> lock(q.mutex);
    if (q.holders++ == 0 && sink) {
        // Nothing to flush: what the program buffered stays in its own stream.
        q.err = stderr;
        q.out = stdout;
        stderr = sink;
        stdout = sink;
    }
}

QuietLibrary::~QuietLibrary()
{
    if (--t_quietDepth > 0)
        return;
    Quiet& q = quiet();
    const std::lock_guard<std::mutex> lock(q.mutex);
    if (--q.holders == 0 && q.err) {
        stderr = q.err;
        stdout = q.out;
        q.err = nullptr;
        q.out = nullptr;
    }
}

} // namespace quorlix::jet
