#pragma once
// Copies a database a test wrote into $QUORLIX_MDB_OUT (when set), so the
// files can be checked with outside readers. The copy is named after the
// test and the file, keeping the file's ending (.mdb, .dct).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quorlix::testing {

inline void keepDatabaseCopy(const std::string& path, std::string name = {})
{
    const char* out = std::getenv("QUORLIX_MDB_OUT");
    if (!out || !std::filesystem::exists(path))
        return;
    if (name.empty()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        name = std::string(info->test_suite_name()) + "-" + info->name() + "-" +
               std::filesystem::path(path).filename().string();
        for (char& c : name)
            if (c == '/' || c == ' ')
                c = '_';
    }
    std::filesystem::create_directories(out);
    std::filesystem::copy_file(path, std::filesystem::path(out) / name,
                               std::filesystem::copy_options::overwrite_existing);
}

} // namespace quorlix::testing
