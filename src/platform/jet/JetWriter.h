#pragma once
// The Jet database writer behind DatabaseWriter::create, with the knobs tests
// and tools need beyond the shared interface.
//
// Contract on top of Jet.h:
// - Text (names, values, password) is UTF-8; it is stored as code page 1252
//   (Jet 3) or UCS-2 (Jet 4). Text the file cannot hold is refused.
// - Every column is a Text field of kDefaultTextSize characters, nullable,
//   without index. A value longer than that, or an empty value in a column
//   that does not allow zero-length text, is refused. A record with fewer
//   values than fields leaves the rest Null; one with more is refused.
// - Table names are printable ASCII (the catalog index sorts them); names are
//   1..64 characters without . ! ` [ ] or a leading blank.
// - Refusals (bad names, bad values, the format's size limit) are kept as the
//   first failure, but close() still completes a valid file holding every
//   record accepted until then, and returns that failure. After an I/O error
//   close() only releases the file. A writer destroyed without close()
//   removes its file.
// - Pages are checked against the size limit before they are added, so a
//   file never passes 1 GiB (Jet 3) or 2 GiB (Jet 4).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/jet/Jet.h"

namespace quorlix::jet
{

// DAO's default size for a new Text field.
constexpr std::uint16_t kDefaultTextSize = 50;
// The largest Text field the format allows.
constexpr std::uint16_t kMaxTextSize = 255;

struct WriterOptions {
    // OLE Automation date stored as creation time (catalog rows, Jet 4 page 0);
    // negative = now.
    double creationDate = -1.0;
    // Page limit; 0 = the format's (1 GiB Jet 3, 2 GiB Jet 4). Tests lower it.
    std::uint32_t maxPages = 0;
};

std::unique_ptr<DatabaseWriter> createDatabaseWriter(const std::string& path, JetVersion version,
                                                     std::string_view password, const WriterOptions& options,
                                                     Status* error);

// A field of any Jet type, for tables beyond password lists.
struct FieldSpec {
    std::string name;
    std::uint8_t type = 10; // ColumnCode: Text
    // Text: characters (0 = kDefaultTextSize); Binary: bytes (0 = 255);
    // other types have their own size.
    std::uint16_t size = 0;
    bool required = false;                  // Null refused
    bool autoNumber = false;                // Long only: Null gets the next number
    std::uint8_t precision = 18, scale = 0; // Decimal only
};
struct IndexSpec {
    std::string name;
    std::vector<std::pair<std::string, bool>> fields; // name, descending
    bool primaryKey = false;
    bool unique = false;
    bool ignoreNulls = false;
};

// Starts a table of any field types with indexes on a writer made by
// createDatabaseWriter. Its records then go through appendRow with each value
// as stored: fixed-size fields their little-endian bytes (Boolean: Null or
// "0" is False, anything else True), Text and Memo UTF-8, Binary and OLE
// their bytes. Long values go to long-value pages, the indexes' pages are
// built when the table ends. A record a unique index already holds, or whose
// key this program cannot compute, is refused.
Status createTypedTable(DatabaseWriter& writer, std::string_view name, const std::vector<FieldSpec>& fields,
                        const std::vector<IndexSpec>& indexes);

// Current time as an OLE Automation date (days since 1899-12-30, UTC).
double oleDateNow();

} // namespace quorlix::jet
