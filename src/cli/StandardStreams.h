#pragma once
// "-" for standard input and output, where the file commands take a path.

#include <optional>
#include <string>

#include "platform/Status.h"

namespace quorlix::cli
{

// A private temporary copy of standard input (owner-only, removed when the
// object goes), for commands that work on a file.
class StandardInputCopy
{
public:
    StandardInputCopy() = default;
    ~StandardInputCopy();
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;
    Status read();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Writes the file's bytes to standard output.
Status copyToStandardOutput(const std::string& path);

} // namespace quorlix::cli
