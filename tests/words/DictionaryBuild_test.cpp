#include "words/DictionaryBuild.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "WordRunsTestSupport.h"
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
                         ::testing::Values(WordRow{"boat", true}, WordRow{"Boat", true}, WordRow{"cat", false},
                                           WordRow{"boat's", false}, WordRow{"o'clock", false},
                                           WordRow{"mp3s", false}, WordRow{"well-known", false},
                                           WordRow{"Mädchen", true}, WordRow{"café", true},
                                           WordRow{"\xC3\xA9tat", false},  // é initial: no table
                                           WordRow{"caf\xC3", false},      // malformed UTF-8
                                           WordRow{"", false}, WordRow{"naïveté", true},
                                           // the Word field holds 50 characters
                                           WordRow{"Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch",
                                                   false},
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

} // namespace
} // namespace quorlix

namespace quorlix {
namespace {

// A run from a real dictionary file, start to end.
TEST(DictionaryBuild, RunsAndChecksReadTheBuiltFile)
{
    test::TempFolder dir;
    dir.touch("list.txt", "Anchor\nbridge\nCastle\ndolphin\n");
    Status s;
    ASSERT_TRUE(buildDictionary(dir.folder() + "list.txt", dir.folder() + "mine.dct", &s)) << s.message();

    test::CallLog log;
    test::RecordingSurface surface(log);
    test::RecordingBoxes boxes(log);
    ResultList list;
    Yielder yield(surface, std::chrono::milliseconds(0));
    RunState state;
    SecureRandom random;
    DictionaryWordSource source;
    WordSettings settings;
    settings.dictionary = "mine.dct";
    settings.totalPasswords = 50;
    settings.separator = "+";
    settings.digitCount = 2;
    CheckOptions checks;
    WordRunContext run{settings, checks, surface, boxes, list, yield, state, random, source, dir.folder()};
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    const std::vector<std::string> words = {"anchor", "bridge", "castle", "dolphin"};
    for (std::size_t i = 0; i < list.count(); ++i) {
        const std::string row(list.rowAdded(i));
        const std::size_t plus = row.find('+');
        ASSERT_NE(plus, std::string::npos) << row;
        EXPECT_NE(std::find(words.begin(), words.end(), row.substr(0, plus)), words.end()) << row;
        const std::string second = row.substr(plus + 1, row.size() - plus - 3);
        EXPECT_NE(std::find(words.begin(), words.end(), second), words.end()) << row;
    }
    EXPECT_EQ(list.count(), 50u);

    DictionaryChecker checker(surface, &source, dir.folder());
    ASSERT_TRUE(checker.prepare("mine.dct").isOk());
    EXPECT_FALSE(checker.accept("CASTLE", 6, DictionaryMode::Whole));
    EXPECT_FALSE(checker.accept("x7Dolphin", 9, DictionaryMode::Hybrid));
    EXPECT_TRUE(checker.accept("x7Dolphi", 8, DictionaryMode::Hybrid));
}

} // namespace
} // namespace quorlix
