#pragma once
// Streaming writers of the password-list formats. Save As, the conversions and
// the multi-file runs all write through these, one password at a time.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "output/HandOut.h"
#include "platform/Status.h"

namespace quorlix {

// The four password lists, and the three made for handing passwords out:
// printable slips, chpasswd input and CSV files for password managers (one
// whose columns KeePassXC and most managers take by name, and one in
// Bitwarden's own columns, which its import reads by exact name).
enum class ListFormat { Txt, Csv, Htm, Mdb, Pdf, Chpasswd, ManagerCsv, BitwardenCsv };

// The format named by the last three characters of a file name, upper-cased
// ("TXT", "CSV", "HTM", "MDB", "PDF"), or by the ending ".chpasswd" (any
// case); nullopt for any other ending. A password-manager list ends in .csv
// like any CSV list: it is only ever chosen by name (formatFromName).
std::optional<ListFormat> formatFromFileName(std::string_view name);
// "txt", "csv", "htm", "mdb", "pdf", "chpasswd", "manager-csv",
// "bitwarden-csv": the names
// the command line and the multi-file type use.
std::optional<ListFormat> formatFromName(std::string_view name);
std::string_view nameOf(ListFormat format);
// The ending of a file of that format, without the dot: the name, but "csv"
// for the password-manager lists.
std::string_view extensionOf(ListFormat format);

// One row of a list: the password and, when it is handed out, whose it is.
struct ListRow {
    std::string_view password = {};
    std::string_view lastName = {};
    std::string_view firstName = {};
    std::string_view userName = {};
    std::string_view hash = {}; // empty unless the list carries hashes
};

// Where text writers put their bytes, so tests can read output from memory.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
    // The first failure, if any; later writes may be dropped after one.
    virtual Status status() const = 0;
    // Makes the bytes final (a file is moved into place). Returns the first
    // failure of the whole write; a sink in memory has nothing more to do.
    virtual Status close() { return status(); }
    // Drops what was written (a file's temporary copy is removed).
    virtual void drop() {}
};

class ListWriter {
public:
    virtual ~ListWriter() = default;
    // Lines (or records) before the first password.
    virtual void begin() = 0;
    virtual void add(std::string_view password) = 0;
    // A row with its person; writers without name columns write the password alone.
    virtual void addRow(const ListRow& row) { add(row.password); }
    // Writes what follows the passwords, closes the file and moves it into
    // place. Returns the first failure of the whole write.
    virtual Status finish() = 0;
    // A stopped run: closes what was written, without the closing lines, and
    // keeps it (a database stays readable).
    virtual Status closeUnfinished() = 0;
    // A failed run: drops the new file and leaves any earlier file of that name untouched.
    virtual void discard() = 0;
};

// Opens a writer on a new file at path (created owner-only, written to a
// temporary name and renamed into place by finish()/closeUnfinished()).
// Mdb needs the Jet component; returns nullptr with a Status when the file
// cannot be started.
std::unique_ptr<ListWriter> openListFile(const std::string& path, ListFormat format, Status* error);
// The same for a list handed out: add(password) n gives password n to person
// n of the roster (or user name n of the prefix) and hashes it when asked.
// Refuses, before creating anything, what the format cannot carry
// (checkHandOut).
std::unique_ptr<ListWriter> openHandOutList(const std::string& path, ListFormat format, const HandOut& handOut,
                                            Status* error);

// Whether a list of this format can be written with handOut: chpasswd lists
// need user names, only CSV, MDB and chpasswd lists take a hash, and slips
// come 1, 4, 8 or 10 to a page.
Status checkHandOut(ListFormat format, const HandOut& handOut);

// A text writer (every format but Mdb and Pdf) over a sink the caller
// provides (tests, conversions into memory). finish() and closeUnfinished()
// end with sink->close(), discard() with sink->drop(). Returns nullptr for
// Mdb and Pdf. handOut shapes the columns (names in TXT, the Hash column of
// CSV, the notes of the manager list); rows come through addRow().
std::unique_ptr<ListWriter> makeTextListWriter(ListFormat format, std::unique_ptr<ByteSink> sink,
                                               const HandOut& handOut = {});

// Wraps a writer so that add(password) n becomes addRow() with person n, the
// user name and the hash. Hashes are made a batch at a time on every core.
std::unique_ptr<ListWriter> pairWithPeople(std::unique_ptr<ListWriter> inner, const HandOut& handOut);

// A sink over AtomicFile: bytes go to a temporary owner-only file next to path,
// close() renames it over path, drop() removes it.
std::unique_ptr<ByteSink> openFileSink(const std::string& path, Status* error);

// What a series of files says after its error message, so the user learns the
// real cause: the file, the reason, and what became of the series.
std::string seriesWriteFailureText(const std::string& path, const Status& status);
// The same for a finished text file of the series that could not be sorted.
std::string seriesSortFailureText(const std::string& path, const Status& status);

// The database writer registers itself here at start-up with the program's
// choice of Jet version. Until then openListFile(..., Mdb, ...) returns
// nullptr with an Unsupported status. Passing an empty function unregisters.
// handOut tells whether the table gets a Hash field and wide name fields.
using MdbListWriterFactory =
    std::function<std::unique_ptr<ListWriter>(const std::string& path, const HandOut& handOut, Status* error)>;
void registerMdbListWriterFactory(MdbListWriterFactory factory);

} // namespace quorlix
