#include "cli/StandardStreams.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/AtomicFile.h"

namespace quorlix::cli
{

StandardInputCopy::~StandardInputCopy()
{
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

Status StandardInputCopy::read()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorlix-stdin-XXXXXX";
    const int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return Status::ioError(std::string("Could not make a temporary file: ") + std::strerror(errno));
    m_path = templ;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return Status::ioError(std::string("Could not read standard input: ") + std::strerror(errno));
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(fd, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                ::close(fd);
                return Status::ioError("Could not write " + m_path + ": " + std::strerror(errno));
            }
            done += put;
        }
    }
    if (::close(fd) != 0)
        return Status::ioError("Could not write " + m_path + ": " + std::strerror(errno));
    return Status::ok();
}

Status copyToStandardOutput(const std::string& path)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return Status::ioError("Could not open " + path);
    char buffer[1 << 16];
    bool ok = true;
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        ok = ok && std::fwrite(buffer, 1, got, stdout) == got;
    std::fclose(in);
    if (!ok || std::fflush(stdout) != 0)
        return Status::ioError("Could not write standard output");
    return Status::ok();
}

} // namespace quorlix::cli
