#pragma once
// "-" for standard input and output, where the file commands take a path.

#include <optional>
#include <string>

#include "platform/Status.h"

namespace quorlix::cli
{

// A private copy of standard input in $TMPDIR, for commands that work on a
// file. The file has no name (O_TMPFILE, or removed as soon as it is made):
// the passwords in it go with the process, however it ends.
class StandardInputCopy
{
public:
    StandardInputCopy() = default;
    ~StandardInputCopy();
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;
    Status read();
    // A name that opens the copy while this object lives (/proc/self/fd/N).
    const std::string& path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace quorlix::cli
