#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

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

std::string temporarySibling(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + name + ".tmp-" + std::to_string(::getpid());
}

Status replaceFile(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return Status::ioError(describe("Could not replace", to));
    return Status::ok();
}

AtomicFile::~AtomicFile()
{
    abandon();
}

Status AtomicFile::open(const std::string& path)
{
    abandon();
    m_path = path;
    m_status = Status::ok();
    std::string templ = temporarySibling(path) + "-XXXXXX";
    // mkstemp creates the file 0600, which is what a password list needs.
    const int fd = ::mkstemp(templ.data());
    if (fd < 0) {
        m_status = Status::ioError(describe("Could not create a file in the folder of", path));
        return m_status;
    }
    m_tempPath = templ;
    m_mark.mark(m_tempPath);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(m_tempPath.c_str());
        m_status = Status::ioError(describe("Could not open", m_tempPath));
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
        m_status = Status::ioError(describe("Could not write", m_path));
}

Status AtomicFile::commit()
{
    if (!m_file)
        return m_status.isOk() ? Status::ioError("No file is open for " + m_path) : m_status;
    if (m_status.isOk() && std::fflush(m_file) != 0)
        m_status = Status::ioError(describe("Could not write", m_path));
    if (m_status.isOk() && ::fsync(::fileno(m_file)) != 0)
        m_status = Status::ioError(describe("Could not write", m_path));
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (m_status.isOk() && !closed)
        m_status = Status::ioError(describe("Could not write", m_path));
    if (m_status.isOk())
        m_status = replaceFile(m_tempPath, m_path);
    if (!m_status.isOk())
        ::unlink(m_tempPath.c_str());
    m_mark.unmark();
    m_tempPath.clear();
    return m_status;
}

void AtomicFile::abandon()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_mark.unmark();
        m_tempPath.clear();
    }
}

} // namespace quorlix
