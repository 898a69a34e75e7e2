#pragma once
// Writes a file under a temporary name and puts it into place only when the
// whole write succeeded, so a failed or interrupted save never destroys the
// file that was there.
//
// - A symbolic link is followed where the kernel would follow it with
//   protected_symlinks on: outside a sticky folder that everyone may write
//   to (/tmp), or when the link belongs to the user or to the folder's owner.
//   Another link is refused, so a link planted in /tmp cannot steer a list
//   into a file of its maker's choosing, nor over one of the user's files.
//   The file a link points at is replaced and the link stays a link.
// - A process that is not root never writes into a file of another user
//   (refused: that user would read what is written). Root replaces such a
//   file and gives it back to its owner, except in a sticky folder open to
//   all where the file is not the folder owner's: there it is refused, as
//   the kernel's protected_regular rule refuses to open it.
// - A file that existed keeps its owner, group and mode (when its group
//   cannot be kept, the new file is owner-only); a new file is owner-only
//   (0600), since it holds passwords, and takes its name only if no file of
//   that name appeared meanwhile.
// - The new file replaces the old one by rename(2), which splits a hard link
//   (as `sed -i` does). A file is never rewritten in place, since a signal
//   during the copy would leave it half old, half new: when the folder takes
//   no new file, the replacement is refused before anything is written
//   (cannotReplaceText()). Devices and pipes are written to, never replaced;
//   their contents wait in $TMPDIR until commit().
// - Temporary files are named kTemporaryFilePrefix + a random suffix, so they
//   fit wherever the target's name fits. The writer holds an flock(2) on its
//   temporary file for as long as it lives; a file with the prefix that
//   nobody holds locked is a leftover of a killed writer, and the next write
//   into that folder removes it (within one process, the next write a second
//   or more after the last look at that folder).

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace quorlix
{

inline constexpr std::string_view kTemporaryFilePrefix = ".quorlix-tmp-";

// Temporary files of writes under way. A terminating signal would leave them
// behind (the write never gets to remove its own); the handlers that
// removeTemporaryFilesOnSignals() installs remove every one still marked
// before the process ends the way the signal would have ended it.
// (SIGKILL cannot be caught: see removeLeftoverTemporaryFiles().)
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

// Removes the temporary files in folder ("" is the current folder) whose
// writer is gone: those with the prefix that can be locked. Writes run it on
// the folder they write into.
void removeLeftoverTemporaryFiles(const std::string& folder);

// The symbolic links at path followed to the file they end at (which need not
// exist); path itself when it is no link. A link the rules above do not follow
// is refused, naming it and its owner.
Status followLinks(const std::string& path, std::string* target);

// The refusals open() would make for path (a link not followed, a file of
// another user, a file whose folder takes no new file), without creating
// anything: the commands ask before they make a single password. Ok for a
// file that does not exist yet.
Status checkReplaceable(const std::string& path);

// "PATH can't be replaced safely: the folder FOLDER is not writable"
std::string cannotReplaceText(const std::string& path, const std::string& folder);

// One replacement of a file, for writers that write the temporary file
// themselves (the database writers): open(), write to tempPath() (it exists,
// empty), then commit() or abandon().
class FileReplacement
{
public:
    FileReplacement() = default;
    ~FileReplacement(); // abandons an uncommitted replacement
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates and locks the temporary file.
    Status open(const std::string& path);
    bool isOpen() const { return m_fd >= 0; }
    // The temporary file, open for writing.
    int fd() const { return m_fd; }

    // Syncs the temporary file and puts it into place (see above). On failure
    // the temporary file is removed and the target is untouched.
    Status commit();
    // Removes the temporary file; the target is untouched.
    void abandon();

    const std::string& path() const { return m_path; }
    // The file that gets replaced: path() with its links followed.
    const std::string& target() const { return m_target; }
    const std::string& tempPath() const { return m_tempPath; }
    // The target is a device or a pipe: commit() copies the temporary file into it.
    bool writesToDevice() const { return m_toDevice; }
    // status with every mention of the temporary file turned into path(): a
    // message must name the file the user knows, not one that is gone.
    Status namingTarget(Status status) const;

private:
    Status copyToDevice();
    Status putNewFileInPlace();
    void release();

    std::string m_path;
    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_toDevice = false;
    bool m_existed = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    mode_t m_mode = 0;
    TemporaryFileMark m_mark;
};

class AtomicFile
{
public:
    AtomicFile() = default;
    ~AtomicFile(); // abandons an uncommitted file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file.
    Status open(const std::string& path);
    bool isOpen() const { return m_file != nullptr; }

    // Buffered; the first failure is kept and later writes are dropped.
    void write(std::string_view bytes);
    const Status& status() const { return m_status; }

    // Flushes, syncs and puts the file into place. Returns the first failure of
    // the whole write; on failure the temporary file is removed and path is untouched.
    Status commit();
    // Removes the temporary file; path is untouched.
    void abandon();

    const std::string& path() const { return m_replacement.path(); }
    const std::string& tempPath() const { return m_replacement.tempPath(); }

private:
    std::FILE* m_file = nullptr;
    FileReplacement m_replacement;
    Status m_status;
};

} // namespace quorlix
