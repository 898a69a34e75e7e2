#include "words/DictionaryBuild.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryWordSource.h"

namespace quorlix {
namespace {

// Only words of four or more letters A to Z first (no digits, apostrophes,
// hyphens, malformed UTF-8, nothing over the Word field's 50 characters), case-
// blind duplicates dropped; the checker finds the words of the built file.
TEST(DictionaryBuild, FiltersDeduplicatesAndReadsBack)
{
    test::TempFolder dir;
    const std::string fifty = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwx";
    dir.touch("list.txt", "Able\nable\nABLE's\ncat\nzebra\r\nboat\n\nMädchen\n\xC3\xA9tat\nBoats\nboats\nzebra\nmp3s\n"
                          "well-known\ncaf\xC3\n" + fifty + "\n" + fifty + "y\n");
    Status s;
    DictionaryBuildReport report;
    ASSERT_TRUE(buildDictionary(dir.folder() + "list.txt", dir.folder() + "out.dct", &s, &report)) << s.message();
    EXPECT_EQ(report.linesRead, 17u);
    EXPECT_EQ(report.wordsKept, 6u);
    DictionaryWordSource source;
    WordTables t;
    ASSERT_TRUE(source.load(dir.folder(), "out.dct", &t).isOk());
    EXPECT_EQ(t.table('A'), (std::vector<std::string>{"Able", fifty}));
    EXPECT_EQ(t.table('B'), (std::vector<std::string>{"boat", "Boats"}));
    EXPECT_EQ(t.table('M'), std::vector<std::string>{"Mädchen"});
    EXPECT_EQ(t.table('Z'), std::vector<std::string>{"zebra"});
    EXPECT_EQ(t.totalWords(), 6u);
    test::RecordingSurface surface;
    DictionaryChecker checker(surface, &source, dir.folder());
    ASSERT_TRUE(checker.prepare("out.dct").isOk());
    EXPECT_FALSE(checker.accept("ZEBRA", 5, DictionaryMode::Whole));
    EXPECT_FALSE(checker.accept("x7Boats", 7, DictionaryMode::Hybrid));
    EXPECT_TRUE(checker.accept("x7Boa", 5, DictionaryMode::Hybrid));
}

TEST(DictionaryBuild, FailuresLeaveNoFile)
{
    test::TempFolder dir;
    Status s;
    EXPECT_FALSE(buildDictionary(dir.folder() + "absent.txt", dir.folder() + "out.dct", &s));
    EXPECT_EQ(s.code(), Status::Code::NotFound);
    dir.touch("short.txt", "cat\ndog\n");
    EXPECT_FALSE(buildDictionary(dir.folder() + "short.txt", dir.folder() + "out.dct", &s));
    EXPECT_EQ(s.code(), Status::Code::InvalidArgument);
    EXPECT_FALSE(std::filesystem::exists(dir.folder() + "out.dct"));
}

} // namespace
} // namespace quorlix
