#pragma once
// Runs quorlix-cli in a test's folder with its own settings and dictionary
// folders, as a script would: arguments in, exit code and both streams out.
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace quorlix::testing {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Standard error split into lines.
inline std::vector<std::string> errLines(const CliResult& r)
{
    std::vector<std::string> out;
    for (std::size_t at = 0; at < r.err.size();) {
        const std::size_t end = r.err.find('\n', at);
        out.push_back(r.err.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? r.err.size() : end + 1;
    }
    return out;
}

class CliFolderTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        fs::create_directories(m_dir / "config");
    }
    std::string data() const { return (m_dir / "data").string(); }
    std::string userFolder() const { return data() + "/quorlix/"; }
    std::string iniPath() const { return (m_dir / "config" / "Quorlix" / "Quorlix.ini").string(); }
    void writeIni(const std::string& text) const
    {
        fs::create_directories(m_dir / "config" / "Quorlix");
        writeBytes(iniPath(), text);
    }

    // prefix runs before the program (env settings, a launcher); a shell line.
    CliResult run(const std::string& args, const std::string& prefix = "") const
    {
        const std::string cmd = "cd '" + m_dir.string() + "' && XDG_CONFIG_HOME='" + (m_dir / "config").string() +
                                "' XDG_DATA_HOME='" + data() + "' " + prefix + " '" + QUORLIX_CLI_PATH + "' " + args +
                                " >'" + (m_dir / "stdout").string() + "' 2>'" + (m_dir / "stderr").string() + "'";
        const int status = std::system(cmd.c_str());
        CliResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(m_dir / "stdout"),
                    readBytes(m_dir / "stderr")};
        fs::remove(m_dir / "stdout");
        fs::remove(m_dir / "stderr");
        return r;
    }
};

} // namespace quorlix::testing
