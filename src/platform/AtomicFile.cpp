#include "platform/AtomicFile.h"

#include "platform/Worker.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
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

// The folder as a path that stat(2) takes ("." for a bare name).
std::string folderToStat(const std::string& path)
{
    const std::string folder = folderOf(path);
    return folder.empty() ? std::string(".") : folder;
}

std::string ownerName(uid_t uid)
{
    struct passwd entry {
    };
    struct passwd* found = nullptr;
    std::array<char, 1024> buffer{};
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return "uid " + std::to_string(uid);
}

// A folder where anyone may create files but only their owners may remove
// them, such as /tmp: what is there may have been planted by someone else.
bool openToAll(const struct stat& folder)
{
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
}

// The rule of the kernel's protected_regular, and more for a process that is
// not root: the file must be the user's own.
Status checkOwner(const std::string& path, const std::string& target, const struct stat& st)
{
    // Devices are made by root alone: nobody plants one.
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return Status::ok();
    const uid_t me = ::geteuid();
    if (st.st_uid == me)
        return Status::ok();
    if (me == 0) {
        struct stat folder {
        };
        if (::stat(folderToStat(target).c_str(), &folder) != 0 || !openToAll(folder) || st.st_uid == folder.st_uid)
            return Status::ok();
        return Status::ioError(path + " belongs to another user (" + ownerName(st.st_uid) + ") in " +
                               folderToStat(target) +
                               ", a folder everyone may write to: passwords are not written into a file "
                               "someone may have planted there.");
    }
    return Status::ioError(path + " belongs to another user (" + ownerName(st.st_uid) +
                           "): passwords are never written into a file of another user.");
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
    for (int signal : kTerminatingSignals)
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

Status followLinks(const std::string& path, std::string* target)
{
    std::string current = path;
    // As many links as the kernel follows (40) before it gives up with ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {
        };
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        // protected_symlinks: in a sticky folder open to all, only a link of
        // the user or of the folder's owner is followed.
        struct stat folder {
        };
        if (::stat(folderToStat(current).c_str(), &folder) == 0 && openToAll(folder) && st.st_uid != ::geteuid() &&
            st.st_uid != folder.st_uid)
            return Status::ioError(current + " is a link of another user (" + ownerName(st.st_uid) + ") in " +
                                   folderToStat(current) +
                                   ", a folder everyone may write to: such a link is not followed.");
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size())
            break;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + link;
    }
    *target = std::move(current);
    return Status::ok();
}

std::string cannotReplaceText(const std::string& path, const std::string& folder)
{
    return path + " can't be replaced safely: the folder " + folder + " is not writable";
}

Status checkReplaceable(const std::string& path)
{
    std::string target;
    if (Status s = followLinks(path, &target); !s)
        return s;
    struct stat st {
    };
    // A new file, or a link only the kernel can follow (/dev/stdout).
    if (::stat(target.c_str(), &st) != 0)
        return Status::ok();
    if (S_ISDIR(st.st_mode))
        return Status::ioError(path + " is a folder.");
    if (Status s = checkOwner(path, target, st); !s)
        return s;
    const std::string folder = folderToStat(target);
    if (S_ISREG(st.st_mode) && ::access(folder.c_str(), W_OK | X_OK) != 0)
        return Status::ioError(cannotReplaceText(path, folder));
    return Status::ok();
}

FileReplacement::~FileReplacement()
{
    abandon();
}

Status FileReplacement::open(const std::string& path)
{
    abandon();
    m_path = path;
    m_toDevice = false;
    if (Status s = followLinks(path, &m_target); !s)
        return s;
    struct stat st {
    };
    m_existed = ::stat(m_target.c_str(), &st) == 0;
    // A link only the kernel can follow (/dev/stdout into /proc/self/fd): one
    // of the process's own descriptors, planted by nobody.
    const bool ownDescriptor = !m_existed && ::stat(path.c_str(), &st) == 0;
    if (ownDescriptor) {
        m_target = path;
        m_existed = true;
    }
    if (m_existed && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return Status::ioError(describe("Could not replace", path));
    }
    if (m_existed && !ownDescriptor) {
        if (Status s = checkOwner(path, m_target, st); !s)
            return s;
    }
    if (m_existed) {
        m_uid = st.st_uid;
        m_gid = st.st_gid;
        m_mode = st.st_mode & 07777;
    }
    // A device or pipe (-o /dev/null, a terminal) is written to, never replaced.
    m_toDevice = m_existed && !S_ISREG(st.st_mode);
    const std::string folder = m_toDevice ? temporaryFolder() : folderOf(m_target);
    removeLeftoversNow(folder);
    {
        // A signal between creating the file and marking it would leave it
        // behind: such signals wait until the mark is set.
        const TerminatingSignalsHeld held;
        m_fd = reserveIn(folder, &m_tempPath);
        if (m_fd >= 0)
            m_mark.mark(m_tempPath);
    }
    if (m_fd < 0) {
        const int error = errno;
        if (m_existed && !m_toDevice && (error == EACCES || error == EPERM || error == EROFS))
            return Status::ioError(cannotReplaceText(path, folderToStat(m_target)));
        errno = error;
        return Status::ioError(describe("Could not create a file in the folder of", m_toDevice ? folder : path));
    }
    return Status::ok();
}

Status FileReplacement::commit()
{
    if (m_fd < 0)
        return Status::ioError("No file is open for " + m_path);
    Status status;
    if (::fsync(m_fd) != 0)
        status = Status::ioError(describe("Could not write", m_path));
    if (status.isOk() && m_existed && !m_toDevice) {
        mode_t mode = m_mode;
        // Only root may give a file away; a group the user is not in cannot
        // be kept either. Then nobody but the user may read the new file.
        if ((m_uid != ::geteuid() || m_gid != ::getegid()) && ::fchown(m_fd, m_uid, m_gid) != 0)
            mode &= S_IRWXU;
        // After fchown, which clears the set-user and set-group bits.
        if (::fchmod(m_fd, mode) != 0)
            status = Status::ioError(describe("Could not set the mode of", m_path));
    }
    if (status.isOk()) {
        if (m_toDevice)
            status = copyToDevice();
        else if (!m_existed)
            status = putNewFileInPlace();
        else if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            status = Status::ioError(describe("Could not replace", m_path));
        else
            m_tempPath.clear(); // renamed: nothing left to remove
    }
    release();
    return status;
}

// The name was free when the write began; whatever took it since (another
// program, or a file planted there) is not replaced.
Status FileReplacement::putNewFileInPlace()
{
    int moved = ::renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without exclusive renames: a hard link fails the same
        // way when the name is taken.
        moved = ::link(m_tempPath.c_str(), m_target.c_str());
        if (moved == 0)
            ::unlink(m_tempPath.c_str());
        else if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV)
            moved = ::rename(m_tempPath.c_str(), m_target.c_str()); // nor hard links (FAT)
    }
    if (moved != 0) {
        if (errno == EEXIST)
            return Status::ioError(m_path + " was created by someone else while it was being written; it is left "
                                            "as it is.");
        return Status::ioError(describe("Could not create", m_path));
    }
    m_tempPath.clear();
    return Status::ok();
}

Status FileReplacement::copyToDevice()
{
    const int out = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (out < 0)
        return Status::ioError(describe("Could not write", m_path));
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
    const int error = errno;
    ok = ::close(out) == 0 && ok;
    if (!ok) {
        errno = error;
        return Status::ioError(describe("Could not write", m_path));
    }
    return Status::ok();
}

Status FileReplacement::namingTarget(Status status) const
{
    if (status.isOk() || m_tempPath.empty())
        return status;
    std::string message = status.message();
    for (std::size_t at = message.find(m_tempPath); at != std::string::npos;
         at = message.find(m_tempPath, at + m_path.size()))
        message.replace(at, m_tempPath.size(), m_path);
    if (message == status.message())
        return status;
    switch (status.code()) {
    case Status::Code::InvalidArgument:
        return Status::invalidArgument(std::move(message));
    case Status::Code::InvalidFileName:
        return Status::invalidFileName(std::move(message));
    case Status::Code::NotFound:
        return Status::notFound(std::move(message));
    case Status::Code::Corruption:
        return Status::corruption(std::move(message));
    case Status::Code::TooLarge:
        return Status::tooLarge(std::move(message));
    case Status::Code::Unsupported:
        return Status::unsupported(std::move(message));
    case Status::Code::Cancelled:
        return Status::cancelled(std::move(message));
    case Status::Code::IoError:
    case Status::Code::Ok:
        break;
    }
    return Status::ioError(std::move(message));
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
