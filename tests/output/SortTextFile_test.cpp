#include "output/SortTextFile.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

class SortTextFileTest : public testing::TempDirTest {
protected:
    void put(const std::string& bytes) { testing::writeBytes(path("list.txt"), bytes); }
    std::string get() const { return read("list.txt"); }
    bool sort(bool caseSensitive, Status* error = nullptr) { return SortTextFile(path("list.txt"), caseSensitive, error); }
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
    EXPECT_TRUE(sort(GetParam().caseSensitive, &error));
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
        SortCase{"BinaryCapitalsThenSymbols", "b\r\nA\r\n_\r\na\r\nB\r\n", true, "A\r\nB\r\n_\r\na\r\nb\r\n"},
        // Case-blind: equal letters side by side, capitals first among equals (byte order breaks ties).
        SortCase{"CaseBlind", "b\r\nA\r\na\r\n_\r\nB\r\n", false, "_\r\nA\r\na\r\nB\r\nb\r\n"},
        SortCase{"OneLineWithoutEnd", "zq", true, "zq\r\n"},
        SortCase{"EmptyFileOneEmptyLine", "", true, "\r\n"},
        SortCase{"MixedEndsAndInnerEmptyLine", "c\r\n\nb\ra\r\n", true, "\r\na\r\nb\r\nc\r\n"},
        SortCase{"CrCrLfIsTwoLines", "b\r\r\na\r\n", true, "\r\na\r\nb\r\n"},
        SortCase{"DuplicatesPrefixesBlanks", "abc\r\nab\r\n b\r\nab\r\nb \r\n", true,
                 " b\r\nab\r\nab\r\nabc\r\nb \r\n"},
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
    ASSERT_TRUE(sort(true));
    std::sort(lines.begin(), lines.end());
    std::string expected;
    for (const auto& l : lines)
        expected += l + "\r\n";
    EXPECT_EQ(get(), expected);
}

TEST_F(SortTextFileTest, MissingFileAndFolderAreRefusedRewriteIsOwnerOnly)
{
    Status error;
    EXPECT_FALSE(sort(true, &error));
    EXPECT_TRUE(error.isOk());
    EXPECT_TRUE(files().empty());
    EXPECT_FALSE(SortTextFile(m_dir.string(), true, &error));
    EXPECT_EQ(error.code(), Status::Code::InvalidFileName);

    put("b\na\n");
    fs::permissions(path("list.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    ASSERT_TRUE(sort(false));
    EXPECT_EQ(testing::modeOf(path("list.txt")), 0600u);
}

} // namespace
} // namespace quorlix
