#include "words/DictionaryBuild.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"
#include "words/DictionaryFile.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryWordSource.h"
#include "words/WordRuns.h"

namespace quorlix {
namespace {

struct WordRow {
    const char* word;
    bool kept;
};

class Qualifies : public ::testing::TestWithParam<WordRow> {};

TEST_P(Qualifies, KeepsFourOrMoreLettersOnly)
{
    EXPECT_EQ(qualifiesAsDictionaryWord(GetParam().word), GetParam().kept) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(Rows, Qualifies,
                         ::testing::Values(WordRow{"Boat", true}, WordRow{"cat", false}, WordRow{"boat's", false},
                                           WordRow{"mp3s", false}, WordRow{"well-known", false},
                                           WordRow{"Mädchen", true}, WordRow{"\xC3\xA9tat", false}, // é: no table
                                           WordRow{"caf\xC3", false}, // malformed UTF-8
                                           // the Word field holds 50 characters
                                           WordRow{"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxy", false},
                                           WordRow{"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwx", true}));

TEST(DictionaryBuild, FiltersDeduplicatesAndReadsBack)
{
    test::TempFolder dir;
    dir.touch("list.txt", "Able\nable\nABLE's\ncat\nzebra\r\nboat\n\nMädchen\n\xC3\xA9tat\nBoats\nboats\nzebra\n");
    Status s;
    DictionaryBuildReport report;
    ASSERT_TRUE(buildDictionary(dir.folder() + "list.txt", dir.folder() + "out.dct", &s, &report)) << s.message();
    EXPECT_EQ(report.linesRead, 12u);
    EXPECT_EQ(report.wordsKept, 5u);
    DictionaryWordSource source;
    WordTables t;
    ASSERT_TRUE(source.load(dir.folder(), "out.dct", &t).isOk());
    EXPECT_EQ(t.table('A'), std::vector<std::string>{"Able"});
    EXPECT_EQ(t.table('B'), (std::vector<std::string>{"boat", "Boats"}));
    EXPECT_EQ(t.table('M'), std::vector<std::string>{"Mädchen"});
    EXPECT_EQ(t.table('Z'), std::vector<std::string>{"zebra"});
    EXPECT_EQ(t.totalWords(), 5u);
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

// The checker reads a built file through the real word source.
TEST(DictionaryBuild, CheckerReadsTheBuiltFile)
{
    test::TempFolder dir;
    dir.touch("list.txt", "Anchor\nbridge\nCastle\ndolphin\n");
    Status s;
    ASSERT_TRUE(buildDictionary(dir.folder() + "list.txt", dir.folder() + "mine.dct", &s)) << s.message();
    test::RecordingSurface surface;
    DictionaryWordSource source;
    DictionaryChecker checker(surface, &source, dir.folder());
    ASSERT_TRUE(checker.prepare("mine.dct").isOk());
    EXPECT_FALSE(checker.accept("CASTLE", 6, DictionaryMode::Whole));
    EXPECT_FALSE(checker.accept("x7Dolphin", 9, DictionaryMode::Hybrid));
    EXPECT_TRUE(checker.accept("x7Dolphi", 8, DictionaryMode::Hybrid));
}

} // namespace
} // namespace quorlix
