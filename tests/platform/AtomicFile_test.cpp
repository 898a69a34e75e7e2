#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace quorlix {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("quorlix-atomic-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(AtomicFileTest, CommitReplacesOldFileOwnerOnly)
{
    const auto target = dir / "list.txt";
    std::ofstream(target) << "old";
    AtomicFile f;
    ASSERT_TRUE(f.open(target.string()).isOk());
    f.write("new\r\n");
    EXPECT_EQ(slurp(target), "old"); // untouched until commit
    ASSERT_TRUE(f.commit().isOk());
    EXPECT_EQ(slurp(target), "new\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AbandonAndDestructorKeepTheOldFile)
{
    const auto target = dir / "list.txt";
    std::ofstream(target) << "old";
    {
        AtomicFile f;
        ASSERT_TRUE(f.open(target.string()).isOk());
        f.write("partial");
    }
    EXPECT_EQ(slurp(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, UnwritableFolderIsAReadableError)
{
    AtomicFile f;
    const Status s = f.open((dir / "missing" / "list.txt").string());
    EXPECT_EQ(s.code(), Status::Code::IoError);
    EXPECT_NE(s.message().find("missing"), std::string::npos);
}

} // namespace
} // namespace quorlix
