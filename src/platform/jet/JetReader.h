#pragma once
// Reading side of the Jet component (DatabaseReader::open lives in
// JetReader.cpp) and what the database tools need beyond Jet.h: the facts of a
// file's first page, and a table's column types and properties.
//
// Text comes back as UTF-8 (Jet 3 files are code page 1252, Jet 4 files
// UCS-2). libmdb does the page walking; before a file reaches it we check the
// first page ourselves, so a file that is not a database is refused with a
// message instead of libmdb's guesses, and libmdb's own chatter on stdout and
// stderr is kept out of the terminal.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"
#include "platform/jet/Jet.h"

namespace quorlix::jet
{

// What the first page of a Jet file says.
struct FileHeader {
    // 0 Jet 3, 1 Jet 4, 2 and later ACE (Access 2007+).
    int versionByte = 0;
    std::size_t pageSize = 2048;
    // The database password in UTF-8, empty when none is set.
    std::string password;
    // Non-zero: pages are encrypted with the database key.
    std::uint32_t databaseKey = 0;
    std::uint16_t codePage = 0;
    std::uint16_t sortOrder = 0;
};

// Reads and unmasks page 0. Errors: InvalidFileName for an empty name or a
// folder, IoError for a file that is missing or unreadable, Corruption for
// anything that is not a Jet 3/Jet 4/ACE database or is cut short.
Status readFileHeader(const std::string& path, FileHeader* header);

// Jet column type codes, as stored.
enum class ColumnType : int {
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    Long = 4,
    Currency = 5,
    Single = 6,
    Double = 7,
    DateTime = 8,
    Binary = 9,
    Text = 10,
    Ole = 11,
    Memo = 12,
    Guid = 15,
    Numeric = 16,
};

struct ColumnInfo {
    std::string name;
    int type = 0; // ColumnType value
    int size = 0; // bytes as stored (Text: Jet 3 characters, Jet 4 bytes)
    bool allowZeroLength = false;
    bool required = false;
    // Names of every property the field carries (AllowZeroLength included).
    std::vector<std::string> properties;
};

// Column list of a user table of a database opened by DatabaseReader::open,
// in field order, with the AllowZeroLength and Required properties.
Status describeTable(DatabaseReader& db, std::string_view table, std::vector<ColumnInfo>* columns);

// One row of the catalog (MSysObjects): tables, queries, containers,
// documents and the rest.
struct CatalogObject {
    std::string name;
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    int type = 0;            // 1 table, 2 database, 3 container, 5 query, 8 relationship, ...
    std::uint32_t flags = 0; // 0x80000000 or 0x00000002: system object
    bool hasProperties = false;
    // Tables: no properties, or their bytes are sound. Other objects' properties are not read.
    bool propertiesReadable = false;
};

// Every catalog row of a database opened by DatabaseReader::open, in catalog order.
std::vector<CatalogObject> catalogObjects(const DatabaseReader& db);

// Any table by name, system tables (MSysACEs, MSysQueries, ...) included.
std::unique_ptr<TableReader> openAnyTable(DatabaseReader& db, std::string_view name, Status* error);

// Names of the properties of a user table itself (not of its fields).
Status tableProperties(DatabaseReader& db, std::string_view table, std::vector<std::string>* names);

// Checks the catalog against the pages of the file: every table definition
// that owns records on pages in use is named in the catalog. Corruption
// otherwise, saying what is missing. (Opening a file already reads every
// catalog row its pages hold.)
Status checkCatalog(DatabaseReader& db);

// The current record of a table from openTable/openAnyTable exactly as the
// file stores it, and where: its page and row number. false without one.
struct RawRow {
    std::string_view bytes;
    std::uint32_t page = 0;
    std::uint32_t row = 0;
};
bool currentRawRow(const TableReader& table, RawRow* row);

// Bytes in code page 1252 as UTF-8 (the five bytes 1252 leaves undefined
// keep their C1 code points, so nothing is lost).
std::string cp1252ToUtf8(std::string_view bytes);

// The version byte of the file a reader was opened on (see FileHeader).
int formatVersionByte(const DatabaseReader& db);

// libmdb's printing on stdout and stderr is kept from the user while it
// works: every call into it switches both streams of the process to nowhere
// and back. A thread about to read many rows holds one of these for the
// whole read, so that its rows need not each take the process-wide switch
// (several threads may read, each through a database of its own).
class QuietLibrary
{
public:
    QuietLibrary();
    ~QuietLibrary();
    QuietLibrary(const QuietLibrary&) = delete;
    QuietLibrary& operator=(const QuietLibrary&) = delete;
};

} // namespace quorlix::jet
