#pragma once
// The one temporary folder of the tests, and whole-file reads and writes.
//
// A TempFolder is made with mkdtemp under $TMPDIR (else /tmp) and named after
// the running test; it goes, with everything in it, when the object goes: also
// when an assertion ends the test early, and when the test closed a folder
// inside it to itself. Tests write nowhere else. It needs no fixture, so a
// window test, a helper function or a whole test program can hold one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace quorlix::testing {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

inline unsigned modeOf(const fs::path& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// The folder temporary files go to: $TMPDIR when set, as every tool reads it.
inline fs::path temporaryFilesFolder()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? fs::path(dir) : fs::path("/tmp");
}

class TempFolder {
public:
    // Named after the running test, or after tag outside one.
    explicit TempFolder(const std::string& tag = {})
    {
        std::string pattern = (temporaryFilesFolder() / ("quorlix-test-" + nameFor(tag) + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) {
            const std::string error = "cannot make a temporary folder " + pattern + ": " +
                                      std::system_category().message(errno);
            ADD_FAILURE() << error;
            throw std::runtime_error(error);
        }
        m_root = pattern;
    }
    ~TempFolder()
    {
        std::error_code error;
        openToOwner(m_root);
        fs::remove_all(m_root, error);
        if (error || fs::exists(fs::symlink_status(m_root)))
            ADD_FAILURE() << "temporary folder " << m_root << " left behind: " << error.message();
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& root() const { return m_root; }
    operator const fs::path&() const { return m_root; }
    fs::path operator/(const fs::path& name) const { return m_root / name; }
    std::string string() const { return m_root.string(); }

    std::string path(const std::string& name) const { return (m_root / name).string(); }
    // The folder with its closing slash, as the program's folder settings hold it.
    std::string folder() const { return string() + "/"; }

    std::string read(const std::string& name) const { return readBytes(m_root / name); }
    void write(const std::string& name, const std::string& bytes) const { writeBytes(m_root / name, bytes); }
    // The names in the folder itself, sorted; hidden ones included.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_root))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    // Suite and test, with anything but letters, digits, '.', '-' and '_' (the
    // '/' of parameterised names above all) made '_', and kept short.
    static std::string nameFor(const std::string& tag)
    {
        std::string name = tag;
        if (name.empty()) {
            if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
                name = std::string(info->test_suite_name()) + "." + info->name();
        }
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
                c = '_';
        return name.substr(0, 80);
    }

    // A folder a test made unreadable or unwritable would stop remove_all.
    static void openToOwner(const fs::path& dir)
    {
        std::error_code error;
        if (!fs::is_directory(fs::symlink_status(dir, error)))
            return;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, error);
        for (auto it = fs::directory_iterator(dir, error); !error && it != fs::directory_iterator(); it.increment(error))
            openToOwner(it->path());
    }

    fs::path m_root;
};

// Points $TMPDIR at a folder while it lives, then back at what it was: for
// the code under test that writes its own temporary files there.
class TemporaryFilesIn {
public:
    explicit TemporaryFilesIn(const fs::path& folder)
    {
        if (const char* was = std::getenv("TMPDIR")) {
            m_had = true;
            m_was = was;
        }
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFilesIn()
    {
        if (m_had)
            ::setenv("TMPDIR", m_was.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    TemporaryFilesIn(const TemporaryFilesIn&) = delete;
    TemporaryFilesIn& operator=(const TemporaryFilesIn&) = delete;

private:
    bool m_had = false;
    std::string m_was;
};

// A test whose fixture owns a TempFolder, with its names at hand.
class TempFolderTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.path(name); }
    std::string read(const std::string& name) const { return m_dir.read(name); }
    std::vector<std::string> files() const { return m_dir.files(); }
    TempFolder m_dir;
};

} // namespace quorlix::testing
