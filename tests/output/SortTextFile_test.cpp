#include "output/SortTextFile.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

using SortTextFileTest = testing::OutputTest;

TEST_F(SortTextFileTest, RewritesSorted)
{
    // A long run of lines that share their first eight bytes, to reach the full comparison.
    std::string shuffled, sorted;
    for (int i = 0; i < 200; ++i) {
        shuffled += "PREFIX00" + std::to_string(1000 + (i * 77) % 200) + "\r\n";
        sorted += "PREFIX00" + std::to_string(1000 + i) + "\r\n";
    }
    struct Row {
        std::string input;
        bool caseSensitive;
        std::string expected;
    };
    const std::vector<Row> rows{
        {"b\r\nA\r\n_\r\na\r\nB\r\n", true, "A\r\nB\r\n_\r\na\r\nb\r\n"},
        // Case-blind: equal letters side by side, capitals first among equals (byte order breaks ties).
        {"b\r\nA\r\na\r\n_\r\nB\r\n", false, "_\r\nA\r\na\r\nB\r\nb\r\n"},
        {"zq", true, "zq\r\n"},
        {"", true, "\r\n"},
        {"c\r\n\nb\ra\r\n", true, "\r\na\r\nb\r\nc\r\n"},
        {"b\r\r\na\r\n", true, "\ra\rb\r"}, // the first line end is the file's
        {"b\na\n", true, "a\nb\n"},
        {"abc\r\nab\r\n b\r\nab\r\nb \r\n", true, " b\r\nab\r\nab\r\nabc\r\nb \r\n"},
        // Lines that are not UTF-8 are code page 1252 and are written as UTF-8.
        {"\xe9t\xe9\r\nzz\r\n", true, "zz\r\n\xC3\xA9t\xC3\xA9\r\n"},
        {"\xE2\x82\xAC\r\n\x80\r\n\xC3\xA9\r\n", true, "\xC3\xA9\r\n\xE2\x82\xAC\r\n\xE2\x82\xAC\r\n"},
        // Two lines that are not UTF-8 alone, though they would be joined.
        {"\xe9\r\n\x80\x80\r\n", true, "\xC3\xA9\r\n\xE2\x82\xAC\xE2\x82\xAC\r\n"},
        {shuffled, true, sorted}};
    for (const Row& r : rows) {
        testing::writeBytes(path("list.txt"), r.input);
        Status error = Status::ioError("not reset");
        EXPECT_TRUE(SortTextFile(path("list.txt"), r.caseSensitive, &error)) << r.input;
        EXPECT_TRUE(error.isOk()) << error.message();
        EXPECT_EQ(read("list.txt"), r.expected) << r.input;
    }
}

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
    std::string input, expected;
    for (const auto& l : lines)
        input += l + "\n";
    testing::writeBytes(path("list.txt"), input);
    ASSERT_TRUE(SortTextFile(path("list.txt"), true, nullptr));
    std::sort(lines.begin(), lines.end());
    for (const auto& l : lines)
        expected += l + "\n"; // the list's own line ends
    EXPECT_EQ(read("list.txt"), expected);
}

TEST_F(SortTextFileTest, MissingFileAndFolderAreRefusedRewriteKeepsMode)
{
    Status error;
    EXPECT_FALSE(SortTextFile(path("list.txt"), true, &error));
    EXPECT_TRUE(error.isOk());
    EXPECT_TRUE(files().empty());
    EXPECT_FALSE(SortTextFile(m_dir.string(), true, &error));
    EXPECT_EQ(error.code(), Status::Code::InvalidFileName);
    EXPECT_EQ(error.message(), m_dir.string() + " is a folder, not a text file.");

    testing::writeBytes(path("list.txt"), "b\na\n");
    fs::permissions(path("list.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    ASSERT_TRUE(SortTextFile(path("list.txt"), false, nullptr));
    EXPECT_EQ(testing::modeOf(path("list.txt")), 0604u);
}

} // namespace
} // namespace quorlix
