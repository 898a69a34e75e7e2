#include "words/DictionaryBuild.h"

#include <gtest/gtest.h>

#include "WordsTestSupport.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryWordSource.h"

namespace quorlix {
namespace {

TEST(DictionaryBuild, KeepsWordsOfFourOrMoreLettersOnly)
{
    const std::vector<std::pair<const char*, bool>> rows{
        {"Boat", true}, {"cat", false}, {"boat's", false}, {"mp3s", false}, {"well-known", false}, {"Mädchen", true},
        {"\xC3\xA9tat", false}, // é: no table
        {"caf\xC3", false},     // malformed UTF-8
        // the Word field holds 50 characters
        {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxy", false},
        {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwx", true}};
    for (const auto& [word, kept] : rows)
        EXPECT_EQ(qualifiesAsDictionaryWord(word), kept) << word;
}

// The built file reads back filtered and deduplicated, and the checker finds its words.
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
