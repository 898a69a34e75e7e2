#pragma once
// Streaming writers of the password-list formats. Save As, the conversions and
// the multi-file runs all write through these, one password at a time.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace quorlix {

enum class ListFormat { Txt, Csv, Htm, Mdb };

// The format named by the last three characters of a file name, upper-cased
// ("TXT", "CSV", "HTM", "MDB"); nullopt for any other ending.
std::optional<ListFormat> formatFromFileName(std::string_view name);
// "txt", "csv", "htm", "mdb".
std::string_view extensionOf(ListFormat format);

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

// A TXT, CSV or HTM writer over a sink the caller provides (tests, conversions
// into memory). finish() and closeUnfinished() end with sink->close(),
// discard() with sink->drop(). Returns nullptr for Mdb.
std::unique_ptr<ListWriter> makeTextListWriter(ListFormat format, std::unique_ptr<ByteSink> sink);

// A sink over AtomicFile: bytes go to a temporary owner-only file next to path,
// close() renames it over path, drop() removes it.
std::unique_ptr<ByteSink> openFileSink(const std::string& path, Status* error);

// What a series of files says after its error message, so the user learns the
// real cause: the file, the reason, and what became of the series.
std::string seriesWriteFailureText(const std::string& path, const Status& status);
// The same for a finished text file of the series that could not be sorted.
std::string seriesSortFailureText(const std::string& path, const Status& status);

// The database writer lives with the Jet component, above this library; it
// registers itself here at start-up. Until then openListFile(..., Mdb, ...)
// returns nullptr with an Unsupported status. Passing an empty function
// unregisters.
using MdbListWriterFactory = std::function<std::unique_ptr<ListWriter>(const std::string& path, Status* error)>;
void registerMdbListWriterFactory(MdbListWriterFactory factory);

} // namespace quorlix
