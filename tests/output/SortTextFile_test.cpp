#include "output/SortTextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorlix {
namespace {

namespace fs = std::filesystem;

class SortTextFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("quorlix-sort-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = dir / "list.txt";
    }
    void TearDown() override
    {
        fs::remove_all(dir);
    }
    void put(const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
    std::string get() const
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
    fs::path file;
};

struct SortCase {
    const char* name;
    std::string input;
    bool caseSensitive;
    std::string expected;
};

void PrintTo(const SortCase& c, std::ostream* os) { *os << c.name; }

class SortTextFileCases : public SortTextFileTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortTextFileCases, RewritesSorted)
{
    put(GetParam().input);
    Status error = Status::ioError("not reset");
    EXPECT_TRUE(SortTextFile(file.string(), GetParam().caseSensitive, &error));
    EXPECT_TRUE(error.isOk()) << error.message();
    EXPECT_EQ(get(), GetParam().expected);
}

// A long run of lines that share their first eight bytes, to reach the full comparison.
std::string sharedPrefixLines(bool sorted)
{
    std::string s;
    for (int i = 0; i < 200; ++i) {
        const int v = sorted ? i : (i * 77) % 200;
        s += "PREFIX00" + std::to_string(1000 + v) + "\r\n";
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortTextFileCases,
    ::testing::Values(
        SortCase{"BinaryCapitalsFirst", "b\r\nA\r\na\r\nB\r\n", true, "A\r\nB\r\na\r\nb\r\n"},
        // Case-blind: equal letters side by side, capitals first among equals (byte order breaks ties).
        SortCase{"CaseBlind", "b\r\nA\r\na\r\nB\r\n", false, "A\r\na\r\nB\r\nb\r\n"},
        SortCase{"CaseBlindSymbolsBetweenCases", "a\r\n_\r\nZ\r\n", false, "_\r\na\r\nZ\r\n"},
        SortCase{"BinarySymbolsBetweenCases", "a\r\n_\r\nZ\r\n", true, "Z\r\n_\r\na\r\n"},
        SortCase{"OneLineUnchanged", "zq\r\n", true, "zq\r\n"},
        SortCase{"OneLineWithoutEnd", "zq", true, "zq\r\n"},
        SortCase{"TwoLines", "b\r\na\r\n", true, "a\r\nb\r\n"},
        SortCase{"EmptyFileOneEmptyLine", "", true, "\r\n"},
        SortCase{"LoneLf", "c\nb\na\n", true, "a\r\nb\r\nc\r\n"},
        SortCase{"LoneCr", "c\rb\ra", true, "a\r\nb\r\nc\r\n"},
        SortCase{"MixedEndsAndInnerEmptyLine", "c\r\n\nb\ra\r\n", true, "\r\na\r\nb\r\nc\r\n"},
        SortCase{"CrCrLfIsTwoLines", "b\r\r\na\r\n", true, "\r\na\r\nb\r\n"},
        SortCase{"DuplicatesKept", "x\r\ny\r\nx\r\n", true, "x\r\nx\r\ny\r\n"},
        SortCase{"PrefixSortsFirst", "abc\r\nab\r\nabcd\r\n", true, "ab\r\nabc\r\nabcd\r\n"},
        SortCase{"BlanksKept", " b\r\nb \r\na\r\n", true, " b\r\na\r\nb \r\n"},
        SortCase{"HighBytesAfterAscii", "\xe9t\xe9\r\nzz\r\n", true, "zz\r\n\xe9t\xe9\r\n"},
        SortCase{"LongSharedPrefixes", sharedPrefixLines(false), true, sharedPrefixLines(true)}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SortTextFileTest, ManyLinesMatchAPlainSort)
{
    // Enough lines for the bucketed path, with many near-equal and case-twin lines.
    std::vector<std::string> lines;
    std::uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245u + 12345u;
        std::string s = "Ab";
        for (int k = 0; k < static_cast<int>(x % 12); ++k)
            s += static_cast<char>("aAbB~ "[(x >> (k + 3)) % 6]);
        lines.push_back(s);
    }
    std::string input;
    for (const auto& l : lines)
        input += l + "\n";
    put(input);
    ASSERT_TRUE(SortTextFile(file.string(), true));
    std::sort(lines.begin(), lines.end());
    std::string expected;
    for (const auto& l : lines)
        expected += l + "\r\n";
    EXPECT_EQ(get(), expected);
}

TEST_F(SortTextFileTest, MissingFileReturnsFalseAndCreatesNothing)
{
    Status error;
    EXPECT_FALSE(SortTextFile(file.string(), true, &error));
    EXPECT_TRUE(error.isOk());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(SortTextFileTest, FolderIsRefused)
{
    Status error;
    EXPECT_FALSE(SortTextFile(dir.string(), true, &error));
    EXPECT_EQ(error.code(), Status::Code::InvalidFileName);
}

TEST_F(SortTextFileTest, RewrittenFileIsOwnerOnly)
{
    put("b\na\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    ASSERT_TRUE(SortTextFile(file.string(), false));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace
} // namespace quorlix
