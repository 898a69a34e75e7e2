#include "cli/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorlix::cli
{

namespace
{

std::string temporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// An owner-only file without a name in folder; -1 with errno on failure.
int unnamedFile(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    // A file system without O_TMPFILE: the name goes at once, before a byte is written.
    std::string name = folder + "/quorlix-stdin-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

} // namespace

StandardInputCopy::~StandardInputCopy()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Status StandardInputCopy::read()
{
    const std::string folder = temporaryFolder();
    m_fd = unnamedFile(folder);
    if (m_fd < 0)
        return Status::ioError("Could not make a temporary file in " + folder + ": " + std::strerror(errno));
    m_path = "/proc/self/fd/" + std::to_string(m_fd);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Status::ioError(std::string("Could not read standard input: ") + std::strerror(errno));
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(m_fd, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return Status::ioError("Could not keep standard input in " + folder + ": " + std::strerror(errno));
            done += put;
        }
    }
    return Status::ok();
}

} // namespace quorlix::cli
