#pragma once
// Writes a file under a temporary name in the target's folder and renames it
// into place only when the whole write succeeded, so a failed or interrupted
// save never destroys the file that was there. New files are owner-only
// (0600): they hold passwords.

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace quorlix
{

// Temporary files of writes under way. A terminating signal would leave them
// behind (the write never gets to remove its own); the handlers that
// removeTemporaryFilesOnSignals() installs remove every one still marked
// before the process ends the way the signal would have ended it.
// (SIGKILL cannot be caught: what it leaves is recognisable by its name.)
class TemporaryFileMark
{
public:
    TemporaryFileMark() = default;
    explicit TemporaryFileMark(const std::string& path) { mark(path); }
    ~TemporaryFileMark() { unmark(); }
    TemporaryFileMark(const TemporaryFileMark&) = delete;
    TemporaryFileMark& operator=(const TemporaryFileMark&) = delete;
    void mark(const std::string& path);
    // The file was renamed into place or removed.
    void unmark();

private:
    int m_slot = -1;
};

// Removes every marked file; safe in a signal handler (it only unlinks).
void removeMarkedTemporaryFiles();
// SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the marked files, then end the
// process as they would have.
void removeTemporaryFilesOnSignals();

class AtomicFile
{
public:
    AtomicFile() = default;
    ~AtomicFile(); // abandons an uncommitted file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file next to path.
    Status open(const std::string& path);
    bool isOpen() const { return m_file != nullptr; }

    // Buffered; the first failure is kept and later writes are dropped.
    void write(std::string_view bytes);
    const Status& status() const { return m_status; }

    // Flushes, syncs and renames over path. Returns the first failure of the
    // whole write; on failure the temporary file is removed and path is untouched.
    Status commit();
    // Removes the temporary file; path is untouched.
    void abandon();

    const std::string& path() const { return m_path; }
    const std::string& tempPath() const { return m_tempPath; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_tempPath;
    TemporaryFileMark m_mark;
    Status m_status;
};

// A temporary path next to path for writers that create the file themselves
// (the database writer); the caller renames it with replaceFile().
std::string temporarySibling(const std::string& path);
// rename(2) with a readable Status.
Status replaceFile(const std::string& from, const std::string& to);

} // namespace quorlix
