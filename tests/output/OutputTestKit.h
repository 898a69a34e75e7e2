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
#include "support/TempFolder.h"

namespace quorlix::testing {

namespace fs = std::filesystem;

// The temporary folder of the output tests; also forgets a database writer a
// test registered.
class OutputTest : public TempFolderTest {
protected:
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        TempFolderTest::TearDown();
    }
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
