#pragma once
// Pieces the output tests share: a fresh folder per test, whole-file reads,
// a recording shell, and every table of a database read back through the Jet reader.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "output/ListWriter.h"
#include "output/SaveAs.h"
#include "platform/jet/JetReader.h"
#include "support/MdbOut.h"
#include "support/RecordingSurface.h"

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

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("quorlix-out-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        fs::remove_all(m_dir);
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::string read(const std::string& name) const { return readBytes(m_dir / name); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path m_dir;
};

struct RecordingShell : Shell {
    explicit RecordingShell(CallLog* calls) : log(calls) {}
    Status openFile(const std::string& path) override
    {
        log->push_back("open:" + path);
        return fails ? Status::ioError("no viewer") : Status::ok();
    }
    CallLog* log;
    bool fails = false;
};

using Row = std::vector<std::optional<std::string>>;
using Tables = std::vector<std::pair<std::string, std::vector<Row>>>;

// Every user table with all its rows.
inline Status readDatabase(const std::string& path, const std::string& password, Tables* out)
{
    if (path.find("/samples/") == std::string::npos)
        keepDatabaseCopy(path);
    Status status;
    auto db = jet::DatabaseReader::open(path, password, &status);
    if (!db)
        return status;
    out->clear();
    for (const auto& name : db->tables()) {
        auto t = db->openTable(name, &status);
        if (!t)
            return status;
        std::vector<Row> rows;
        while (t->next()) {
            Row row;
            for (std::size_t i = 0; i < t->columnNames().size(); ++i)
                row.push_back(t->field(i));
            rows.push_back(std::move(row));
        }
        if (!t->status().isOk())
            return t->status();
        out->push_back({name, std::move(rows)});
    }
    return Status::ok();
}

// The rows of a list database: one table of two null name fields and the password.
inline Tables passwordTable(const std::vector<std::optional<std::string>>& passwords)
{
    std::vector<Row> rows;
    for (const auto& p : passwords)
        rows.push_back({std::nullopt, std::nullopt, p});
    return {{"Password Database", rows}};
}

} // namespace quorlix::testing
