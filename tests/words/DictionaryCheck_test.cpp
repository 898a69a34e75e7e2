#include "words/DictionaryCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Random.h"
#include "words/WordText.h"
#include "WordsTestSupport.h"

namespace quorlix {
namespace {

using test::CallLog;
using test::makeTables;
using test::RecordingSurface;

// The table scans the check stands in for, written as plainly as possible.
bool scanHit(const WordTables& t, const std::string& password, int drawnLength, DictionaryMode mode)
{
    if (drawnLength <= 3)
        return false;
    const std::string letters = asciiUpper(trimVoid(password));
    if (letters.size() < 4)
        return false;
    const std::string upper = asciiUpper(password);
    if (mode == DictionaryMode::Whole) {
        for (const auto& w : t.table(letters[0]))
            if (asciiUpper(w) == upper)
                return true;
        return false;
    }
    for (std::size_t k = 0; k + 3 < letters.size(); ++k)
        for (const auto& w : t.table(letters[k]))
            if (upper.find(asciiUpper(w)) != std::string::npos)
                return true;
    return false;
}

WordTables smallDictionary()
{
    // Stored case varies; "Alo" sits in table O on purpose (a table holds what
    // the file holds, whatever its first letter); overlapping words exercise
    // the automaton's failure links.
    return makeTables({{'A', {"able", "Arch", "also", "catalogue"}},
                       {'B', {"boat", "BOATS", "bee"}},
                       {'C', {"cat", "Catalog", "car"}},
                       {'D', {"dog", "do-it"}},
                       {'H', {"house", "HOUSEBOAT", "he"}},
                       {'L', {"log", "logo"}},
                       {'O', {"Alo", "once", "o'clock"}},
                       {'S', {"sea", "seashell", "shell"}},
                       {'T', {"tea", "team", "teammate"}},
                       {'Z', {"zq"}}});
}

struct Case {
    const char* password;
    int drawnLength;
    DictionaryMode mode;
    bool hit;
};

class DictionaryHitCases : public ::testing::TestWithParam<Case> {};

TEST_P(DictionaryHitCases, MatchesTheTableScan)
{
    const WordTables t = smallDictionary();
    const DictionaryIndex index(t);
    const Case& c = GetParam();
    EXPECT_EQ(dictionaryHit(index, c.password, c.drawnLength, c.mode), c.hit) << c.password;
    EXPECT_EQ(scanHit(t, c.password, c.drawnLength, c.mode), c.hit) << c.password;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DictionaryHitCases,
    ::testing::Values(
        // Whole mode needs the whole password, of its first letter's table.
        Case{"hOuSeBoAt", 9, DictionaryMode::Whole, true}, Case{"HOUSE1", 6, DictionaryMode::Whole, false},
        Case{"catalogue", 9, DictionaryMode::Whole, false}, Case{"o'clock", 7, DictionaryMode::Whole, true},
        // Drawn length 3 or less: never looked up, even when it is a word.
        Case{"boat", 3, DictionaryMode::Whole, false}, Case{"boat", 4, DictionaryMode::Whole, true},
        // Fewer than four letters: passes whatever the length.
        Case{"c-a-t", 5, DictionaryMode::Hybrid, false},
        // Hybrid: tables of letters 1 .. count-3, word anywhere in the password.
        Case{"xyzcat", 6, DictionaryMode::Hybrid, false}, Case{"wxcyzcat", 8, DictionaryMode::Hybrid, true},
        Case{"zzzzq", 5, DictionaryMode::Hybrid, true}, Case{"qqzq", 4, DictionaryMode::Hybrid, false},
        Case{"oxxalo", 6, DictionaryMode::Hybrid, true}, Case{"axxalo", 6, DictionaryMode::Hybrid, false},
        Case{"Xteammat", 8, DictionaryMode::Hybrid, true}, Case{"XxxO'CLOCK", 10, DictionaryMode::Hybrid, true}));

TEST(DictionaryHit, AgreesWithTheTableScanOnRandomPasswords)
{
    const WordTables t = smallDictionary();
    const DictionaryIndex index(t);
    SecureRandom random;
    std::vector<std::string> pieces;
    for (const auto& table : t.tables)
        for (const auto& w : table)
            pieces.push_back(w);
    const std::string noise = "abcehlostxyzABCEHLOSTXYZ0123456789-' !#";
    int hits[2] = {0, 0};
    for (int i = 0; i < 20000; ++i) {
        std::string password;
        const int parts = random.draw(4, 1);
        for (int p = 0; p < parts; ++p) {
            if (random.next() < 0.4) {
                std::string w = pieces[static_cast<std::size_t>(random.draw(static_cast<double>(pieces.size()), 0))];
                // Break some words so near-misses are common.
                if (random.next() < 0.3 && w.size() > 1)
                    w.erase(static_cast<std::size_t>(random.draw(static_cast<double>(w.size()), 0)), 1);
                password += w;
            } else {
                const int n = random.draw(4, 1);
                for (int k = 0; k < n; ++k)
                    password += noise[static_cast<std::size_t>(random.draw(static_cast<double>(noise.size()), 0))];
            }
        }
        for (char& c : password)
            if (random.next() < 0.3)
                c = asciiUpper(c);
        const int drawn = random.draw(8, 1);
        for (DictionaryMode mode : {DictionaryMode::Whole, DictionaryMode::Hybrid}) {
            const bool expected = scanHit(t, password, drawn, mode);
            ASSERT_EQ(dictionaryHit(index, password, drawn, mode), expected)
                << password << " mode " << static_cast<int>(mode) << " length " << drawn;
            hits[static_cast<int>(mode)] += expected ? 1 : 0;
        }
    }
    // The inputs must really exercise both answers.
    EXPECT_GT(hits[0], 50);
    EXPECT_GT(hits[1], 2000);
}

TEST(DictionaryHit, EmptyDictionaryAndEmptyWords)
{
    EXPECT_FALSE(dictionaryHit(DictionaryIndex{WordTables{}}, "abcdefg", 7, DictionaryMode::Hybrid));
    // A blank record is found in any password whose letters select its table.
    const DictionaryIndex index(makeTables({{'B', {""}}}));
    EXPECT_TRUE(dictionaryHit(index, "bxxx", 4, DictionaryMode::Hybrid));
    EXPECT_FALSE(dictionaryHit(index, "xbxx", 4, DictionaryMode::Hybrid));
}

struct StatusCase {
    const char* password;
    DictionaryMode mode;
    bool multiFile;
    bool accepted;
    std::vector<std::string> calls;
};

class CheckerStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(CheckerStatus, ShowsTheStatusOfItsMode)
{
    CallLog log;
    RecordingSurface surface(&log);
    DictionaryChecker checker(surface);
    checker.setIndex(std::make_shared<DictionaryIndex>(smallDictionary()));
    const StatusCase& c = GetParam();
    if (c.multiFile)
        checker.useMultiFileTexts("pw2.txt");
    const std::string password = c.password;
    EXPECT_EQ(checker.accept(password, static_cast<int>(password.size()), c.mode), c.accepted);
    EXPECT_EQ(log, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckerStatus,
    ::testing::Values(
        StatusCase{"HOUSE", DictionaryMode::Whole, false, false, {"setStatus:Dictionary Word Found. Reselected."}},
        StatusCase{"HOUSE1", DictionaryMode::Whole, false, true, {}},
        StatusCase{"aBcatZq", DictionaryMode::Hybrid, false, false, {"setStatus:Dictionary Word Found. Reselected."}},
        StatusCase{"qwrtyp", DictionaryMode::Hybrid, false, true, {"setStatus:Processing.....Please Wait"}},
        StatusCase{"xyz", DictionaryMode::Hybrid, false, true, {}},
        // Multi-file runs: no text on a hit, the file's text after a clean search.
        StatusCase{"HOUSE", DictionaryMode::Whole, true, false, {}},
        StatusCase{"qwrtyp", DictionaryMode::Hybrid, true, true, {"setStatus:Writing to File: pw2.txt"}}));

TEST(DictionaryChecker, PrepareReadsOnceWhileTheFileIsUnchanged)
{
    test::TempFolder dir;
    dir.touch("check.dct", "1");
    test::MemoryWordSource source;
    source.words = smallDictionary();
    CallLog log;
    RecordingSurface surface(&log);
    DictionaryChecker checker(surface, &source, dir.folder());
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    EXPECT_EQ(source.loads.size(), 1u);
    EXPECT_FALSE(checker.accept("house", 5, DictionaryMode::Whole));

    dir.touch("check.dct", "longer"); // replaced by a download
    source.words = test::makeTables({{'Q', {"quay"}}});
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    EXPECT_EQ(source.loads.size(), 2u);
    EXPECT_TRUE(checker.accept("house", 5, DictionaryMode::Whole));
    EXPECT_FALSE(checker.accept("quay", 4, DictionaryMode::Whole));

    // A file that cannot be read: reported, and the check passes everything.
    source.failure = Status::notFound("no table A");
    dir.touch("check.dct", "even longer");
    EXPECT_EQ(checker.prepare("check.dct").code(), Status::Code::NotFound);
    log.clear();
    EXPECT_TRUE(checker.accept("quay", 4, DictionaryMode::Whole));
    EXPECT_TRUE(checker.accept("quayside", 8, DictionaryMode::Hybrid));
    EXPECT_TRUE(log.empty());
}

} // namespace
} // namespace quorlix
