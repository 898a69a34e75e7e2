#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorlix {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AtomicFile, ReplacesTheOldFileOnlyOnCommitOwnerOnly)
{
    const fs::path dir = fs::temp_directory_path() / ("quorlix-atomic-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto target = dir / "list.txt";
    std::ofstream(target) << "old";
    {
        AtomicFile abandoned; // destroyed without commit
        ASSERT_TRUE(abandoned.open(target.string()).isOk());
        abandoned.write("partial");
    }
    EXPECT_EQ(slurp(target), "old");
    AtomicFile f;
    ASSERT_TRUE(f.open(target.string()).isOk());
    f.write("new\r\n");
    EXPECT_EQ(slurp(target), "old");
    ASSERT_TRUE(f.commit().isOk());
    EXPECT_EQ(slurp(target), "new\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    AtomicFile missing;
    const Status s = missing.open((dir / "missing" / "list.txt").string());
    EXPECT_EQ(s.code(), Status::Code::IoError);
    EXPECT_NE(s.message().find("missing"), std::string::npos);
    fs::remove_all(dir);
}

} // namespace
} // namespace quorlix
