#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace quorlix
{

namespace
{

std::string describe(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Fixed slots, so a signal handler can walk them without locks or allocation.
struct MarkSlot {
    enum : int { Free, Writing, Marked };
    std::atomic<int> state{Free};
    char path[4096] = {};
};
std::array<MarkSlot, 32> g_marks;

void onTerminatingSignal(int signal)
{
    removeMarkedTemporaryFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The folder part of path with its slash ("" for a bare name).
std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool sameFile(int fd, const char* path)
{
    struct stat a {
    };
    struct stat b {
    };
    return ::fstat(fd, &a) == 0 && ::lstat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Creates and locks a new temporary file in folder; -1 with errno on failure.
int reserveIn(const std::string& folder, std::string* path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name = folder + std::string(kTemporaryFilePrefix) + "XXXXXX";
        // Created 0600, which is what a password list needs.
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        // Between creating and locking, another process's clean-up may have
        // taken the file for a leftover: then it holds the lock or has already
        // removed the name, and this attempt starts over with a new name.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, name.c_str())) {
            *path = std::move(name);
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

std::string temporaryFolder()
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    if (folder.back() != '/')
        folder.push_back('/');
    return folder;
}

// Leftovers appear only when a writer is killed. Listing the folder before
// every write would make a series of thousands of files in one folder
// quadratic, so a process looks at each folder again only after a second.
void removeLeftoversNow(const std::string& folder)
{
    static std::mutex mutex;
    static std::unordered_map<std::string, std::chrono::steady_clock::time_point> lastLook;
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        auto [it, added] = lastLook.try_emplace(folder, now);
        if (!added && now - it->second < std::chrono::seconds(1))
            return;
        if (lastLook.size() > 64)
            lastLook.clear();
        lastLook[folder] = now;
    }
    removeLeftoverTemporaryFiles(folder);
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void TemporaryFileMark::mark(const std::string& path)
{
    unmark();
    if (path.size() >= sizeof(MarkSlot::path))
        return;
    for (std::size_t i = 0; i < g_marks.size(); ++i) {
        int expected = MarkSlot::Free;
        if (g_marks[i].state.compare_exchange_strong(expected, MarkSlot::Writing)) {
            std::memcpy(g_marks[i].path, path.c_str(), path.size() + 1);
            g_marks[i].state.store(MarkSlot::Marked);
            m_slot = static_cast<int>(i);
            return;
        }
    }
}

void TemporaryFileMark::unmark()
{
    if (m_slot < 0)
        return;
    g_marks[static_cast<std::size_t>(m_slot)].state.store(MarkSlot::Free);
    m_slot = -1;
}

void removeMarkedTemporaryFiles()
{
    for (MarkSlot& slot : g_marks)
        if (slot.state.load() == MarkSlot::Marked)
            ::unlink(slot.path);
}

void removeTemporaryFilesOnSignals()
{
    struct sigaction sa {
    };
    sa.sa_handler = onTerminatingSignal;
    sigemptyset(&sa.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::sigaction(signal, &sa, nullptr);
}

void removeLeftoverTemporaryFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kTemporaryFilePrefix.data(), kTemporaryFilePrefix.size()) != 0)
            continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A writer holds its lock until its file is renamed or removed: a file
        // that can be locked has no writer any more. The name must still be
        // that file, not a new one made since.
        struct stat opened {
        };
        struct stat named {
        };
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

std::string followLinks(const std::string& path)
{
    std::string current = path;
    // As many links as the kernel follows (40) before it gives up with ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {
        };
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size())
            return current;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + link;
    }
    return current;
}

FileReplacement::~FileReplacement()
{
    abandon();
}

Status FileReplacement::open(const std::string& path)
{
    abandon();
    m_path = path;
    m_target = followLinks(path);
    m_inPlace = false;
    struct stat st {
    };
    m_existed = ::stat(m_target.c_str(), &st) == 0;
    if (!m_existed && ::stat(path.c_str(), &st) == 0) {
        // A link only the kernel can follow (/dev/stdout into /proc/self/fd).
        m_target = path;
        m_existed = true;
    }
    if (m_existed && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return Status::ioError(describe("Could not replace", path));
    }
    if (m_existed) {
        m_uid = st.st_uid;
        m_gid = st.st_gid;
        m_mode = st.st_mode & 07777;
    }
    // A device or pipe (-o /dev/null, a terminal) is written to, never replaced.
    const bool special = m_existed && !S_ISREG(st.st_mode);
    const std::string folder = folderOf(m_target);
    if (!special) {
        removeLeftoversNow(folder);
        m_fd = reserveIn(folder, &m_tempPath);
    }
    if (m_fd < 0) {
        const int folderError = special ? EACCES : errno;
        // Only a folder closed to us is worked around: after a full disk or an
        // I/O error, a rewrite in place could leave the file half old, half new.
        const bool closedFolder = folderError == EACCES || folderError == EPERM;
        if (m_existed && closedFolder && ::access(m_target.c_str(), W_OK) == 0) {
            const std::string elsewhere = temporaryFolder();
            removeLeftoversNow(elsewhere);
            m_fd = reserveIn(elsewhere, &m_tempPath);
            m_inPlace = m_fd >= 0;
        }
        if (m_fd < 0) {
            errno = folderError;
            return Status::ioError(describe("Could not create a file in the folder of", path));
        }
    }
    m_mark.mark(m_tempPath);
    return Status::ok();
}

Status FileReplacement::commit()
{
    if (m_fd < 0)
        return Status::ioError("No file is open for " + m_path);
    Status status;
    if (::fsync(m_fd) != 0)
        status = Status::ioError(describe("Could not write", m_path));
    if (status.isOk() && m_existed && !m_inPlace) {
        // Only root may give a file away; a file of someone else that we may
        // write is rewritten in place instead, so it stays theirs.
        if ((m_uid != ::geteuid() || m_gid != ::getegid()) && ::fchown(m_fd, m_uid, m_gid) != 0)
            m_inPlace = true;
        // After fchown, which clears the set-user and set-group bits.
        else if (::fchmod(m_fd, m_mode) != 0)
            status = Status::ioError(describe("Could not set the mode of", m_path));
    }
    if (status.isOk()) {
        if (m_inPlace)
            status = rewriteInPlace();
        else if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            status = Status::ioError(describe("Could not replace", m_path));
        else
            m_tempPath.clear(); // renamed: nothing left to remove
    }
    release();
    return status;
}

Status FileReplacement::rewriteInPlace()
{
    const int out = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0)
        return Status::ioError(describe("Could not write", m_path));
    // Room for the new contents is claimed before the first byte of the old is
    // overwritten, so a full disk fails while the file is still whole. File
    // systems without fallocate go on as before.
    struct stat temp {
    };
    if (::fstat(m_fd, &temp) == 0 && temp.st_size > 0 &&
        ::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, temp.st_size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS &&
        errno != ENODEV) {
        const int error = errno;
        ::close(out);
        errno = error;
        return Status::ioError(describe("Could not write", m_path));
    }
    std::array<char, 1 << 16> buffer;
    off_t offset = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::pread(m_fd, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
        offset += n;
    }
    struct stat st {
    };
    if (ok && ::fstat(out, &st) == 0 && S_ISREG(st.st_mode))
        ok = ::ftruncate(out, offset) == 0 && ::fsync(out) == 0;
    const int error = errno;
    ok = ::close(out) == 0 && ok;
    if (!ok) {
        errno = error;
        return Status::ioError(describe("Could not write", m_path));
    }
    return Status::ok();
}

void FileReplacement::abandon()
{
    release();
}

void FileReplacement::release()
{
    // The database writer removes its file itself when it fails; the name is
    // removed only while it is still this file.
    if (!m_tempPath.empty() && sameFile(m_fd, m_tempPath.c_str()))
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    m_mark.unmark();
    // Closing the last descriptor drops the lock, after the name is gone.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

AtomicFile::~AtomicFile()
{
    abandon();
}

Status AtomicFile::open(const std::string& path)
{
    abandon();
    m_status = m_replacement.open(path);
    if (!m_status.isOk())
        return m_status;
    // Its own descriptor: closing the stream must not drop the lock.
    const int fd = ::fcntl(m_replacement.fd(), F_DUPFD_CLOEXEC, 0);
    m_file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!m_file) {
        if (fd >= 0)
            ::close(fd);
        m_status = Status::ioError(describe("Could not open", m_replacement.tempPath()));
        m_replacement.abandon();
        return m_status;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    return m_status;
}

void AtomicFile::write(std::string_view bytes)
{
    if (!m_file || !m_status.isOk() || bytes.empty())
        return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        m_status = Status::ioError(describe("Could not write", path()));
}

Status AtomicFile::commit()
{
    if (!m_file)
        return m_status.isOk() ? Status::ioError("No file is open for " + path()) : m_status;
    if (m_status.isOk() && std::fflush(m_file) != 0)
        m_status = Status::ioError(describe("Could not write", path()));
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (m_status.isOk() && !closed)
        m_status = Status::ioError(describe("Could not write", path()));
    if (m_status.isOk())
        m_status = m_replacement.commit();
    m_replacement.abandon();
    return m_status;
}

void AtomicFile::abandon()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_replacement.abandon();
}

} // namespace quorlix
