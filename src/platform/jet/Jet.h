#pragma once
// The Jet (Access .mdb) database component: our own writer for Jet 3 and
// Jet 4 files, and reading through libmdb. Password lists and dictionaries
// need only Text columns (this interface); tables of every field type and
// whole-database copies are in JetWriter.h and JetCopy.h.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorlix::jet
{

enum class JetVersion { Jet3, Jet4 };

// Errors callers tell apart: Status::Code::InvalidFileName ("not a valid file
// name"), Status::Code::NotFound ("table or field not found"), anything else.

// The code of the first character of utf8 that a Text field of version cannot
// hold ("0x1F600"; for a byte that is not UTF-8, the byte: "0xFF"), empty when
// it holds them all. Jet 3 holds code page 1252, Jet 4 the characters up to U+FFFF.
std::string unstorableCharacter(JetVersion version, std::string_view utf8);

struct TextColumn {
    std::string name;
    bool allowZeroLength = true;
    std::uint16_t size = 50; // characters, 1 to 255 (Access's default is 50)
};

// Streams one new database file. Tables are written one after another:
// createTable, then its rows, then the next table. Memory stays constant
// whatever the number of rows. The first failure is kept; later calls do
// nothing and close() returns it.
class DatabaseWriter
{
public:
    virtual ~DatabaseWriter() = default;
    // Starts a new file at path, which must not exist or be an empty file
    // (callers write to a temporary file they created and rename it).
    // password empty = no database password.
    static std::unique_ptr<DatabaseWriter> create(const std::string& path, JetVersion version,
                                                  std::string_view password, Status* error);

    virtual Status createTable(std::string_view name, const std::vector<TextColumn>& columns) = 0;
    // One record of the current table; nullopt is Null.
    virtual Status appendRow(const std::vector<std::optional<std::string_view>>& values) = 0;
    // Writes the catalog and every structure still pending; the file is then complete.
    virtual Status close() = 0;
    virtual Status status() const = 0;
};

class TableReader
{
public:
    virtual ~TableReader() = default;
    virtual const std::vector<std::string>& columnNames() const = 0;
    // Moves to the next record in record order; false at the end (or on failure, see status()).
    virtual bool next() = 0;
    // Field of the current record by index or name; nullopt for Null. OLE
    // fields give their data, Binary fields their bytes, others text.
    virtual std::optional<std::string> field(std::size_t index) const = 0;
    virtual std::optional<std::string> field(std::string_view name) const = 0;
    virtual std::uint64_t rowCount() const = 0;
    virtual Status status() const = 0;
};

class DatabaseReader
{
public:
    virtual ~DatabaseReader() = default;
    static std::unique_ptr<DatabaseReader> open(const std::string& path, std::string_view password, Status* error);
    virtual JetVersion version() const = 0;
    // User tables in catalog order (system tables left out).
    virtual std::vector<std::string> tables() const = 0;
    virtual std::unique_ptr<TableReader> openTable(std::string_view name, Status* error) = 0;
};

} // namespace quorlix::jet
