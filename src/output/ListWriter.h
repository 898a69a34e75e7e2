#pragma once
// Streaming writers of the password-list formats. Save As, the conversions and
// the multi-file runs all write through these, one password at a time.

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

} // namespace quorlix
