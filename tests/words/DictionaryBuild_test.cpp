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
    dir.write("list.txt", "Able\nable\nABLE's\ncat\nzebra\r\nboat\n\nMädchen\n\xC3\xA9tat\nBoats\nboats\nzebra\nmp3s\n"
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

TEST(DictionaryBuild, FailuresAndRefusalsLeaveNoFile)
{
    test::TempFolder dir;
    dir.write("short.txt", "cat\ndog\n");
    dir.write("noa.txt", "zebra\nboat\nhouse\n");
    // list, code, message
    const std::tuple<const char*, Status::Code, const char*> rows[] = {
        {"absent.txt", Status::Code::NotFound, ""},
        {"short.txt", Status::Code::InvalidArgument, "The word lists hold no word of four or more letters."},
        // Every reader recognises a dictionary by the first word of table A.
        {"noa.txt", Status::Code::InvalidArgument,
         "The word lists hold no word beginning with A. A dictionary needs one: the program recognises a "
         "dictionary by the first word of its table A."},
    };
    for (const auto& [list, code, message] : rows) {
        Status s;
        EXPECT_FALSE(buildDictionary(dir.folder() + list, dir.folder() + "out.dct", &s)) << list;
        EXPECT_EQ(s.code(), code) << list;
        if (*message) {
            EXPECT_EQ(s.message(), message);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.folder() + "out.dct")) << list;
    }
}

} // namespace
} // namespace quorlix
