#include "words/DictionaryCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/SeededRandom.h"
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

TEST(DictionaryHit, EdgeCasesMatchTheTableScan)
{
    const WordTables t = smallDictionary();
    const DictionaryIndex index(t);
    const auto W = DictionaryMode::Whole, H = DictionaryMode::Hybrid;
    const std::vector<std::tuple<const char*, int, DictionaryMode, bool>> rows{
        // Whole mode needs the whole password, of its first letter's table.
        {"hOuSeBoAt", 9, W, true}, {"HOUSE1", 6, W, false}, {"catalogue", 9, W, false}, {"o'clock", 7, W, true},
        // Drawn length 3 or less: never looked up, even when it is a word.
        {"boat", 3, W, false}, {"boat", 4, W, true},
        // Fewer than four letters: passes whatever the length.
        {"c-a-t", 5, H, false},
        // Hybrid: tables of letters 1 .. count-3, word anywhere in the password.
        {"xyzcat", 6, H, false}, {"wxcyzcat", 8, H, true}, {"zzzzq", 5, H, true}, {"qqzq", 4, H, false},
        {"oxxalo", 6, H, true}, {"axxalo", 6, H, false}, {"Xteammat", 8, H, true}, {"XxxO'CLOCK", 10, H, true}};
    for (const auto& [password, drawnLength, mode, hit] : rows) {
        EXPECT_EQ(dictionaryHit(index, password, drawnLength, mode), hit) << password;
        EXPECT_EQ(scanHit(t, password, drawnLength, mode), hit) << password;
    }
    EXPECT_FALSE(dictionaryHit(DictionaryIndex{WordTables{}}, "abcdefg", 7, H));
    // A blank record is found in any password whose letters select its table.
    const DictionaryIndex blank(makeTables({{'B', {""}}}));
    EXPECT_TRUE(dictionaryHit(blank, "bxxx", 4, H));
    EXPECT_FALSE(dictionaryHit(blank, "xbxx", 4, H));
}

TEST(DictionaryHit, AgreesWithTheTableScanOnRandomPasswords)
{
    const WordTables t = smallDictionary();
    const DictionaryIndex index(t);
    testing::SeededRandom random;
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

TEST(DictionaryChecker, ShowsTheStatusOfItsMode)
{
    const std::string found = "setStatus:Dictionary Word Found. Reselected.";
    const std::vector<std::tuple<const char*, DictionaryMode, bool, bool, std::vector<std::string>>> rows{
        {"HOUSE", DictionaryMode::Whole, false, false, {found}},
        {"HOUSE1", DictionaryMode::Whole, false, true, {}},
        {"aBcatZq", DictionaryMode::Hybrid, false, false, {found}},
        {"qwrtyp", DictionaryMode::Hybrid, false, true, {"setStatus:Processing.....Please Wait"}},
        {"xyz", DictionaryMode::Hybrid, false, true, {}},
        // Multi-file runs: no text on a hit, the file's text after a clean search.
        {"HOUSE", DictionaryMode::Whole, true, false, {}},
        {"qwrtyp", DictionaryMode::Hybrid, true, true, {"setStatus:Writing to File: pw2.txt"}}};
    for (const auto& [password, mode, multiFile, accepted, calls] : rows) {
        CallLog log;
        RecordingSurface surface(&log);
        DictionaryChecker checker(surface);
        checker.setIndex(std::make_shared<DictionaryIndex>(smallDictionary()));
        if (multiFile)
            checker.useMultiFileTexts("pw2.txt");
        EXPECT_EQ(checker.accept(password, static_cast<int>(std::string(password).size()), mode), accepted) << password;
        EXPECT_EQ(log, calls) << password;
    }
}

TEST(DictionaryChecker, PrepareReadsOnceWhileTheFileIsUnchanged)
{
    test::TempFolder dir;
    dir.write("check.dct", "1");
    test::MemoryWordSource source;
    source.words = smallDictionary();
    CallLog log;
    RecordingSurface surface(&log);
    DictionaryChecker checker(surface, &source, dir.folder());
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    EXPECT_EQ(source.loads.size(), 1u);
    EXPECT_FALSE(checker.accept("house", 5, DictionaryMode::Whole));

    dir.write("check.dct", "longer"); // replaced by a download
    source.words = test::makeTables({{'Q', {"quay"}}});
    ASSERT_TRUE(checker.prepare("check.dct").isOk());
    EXPECT_EQ(source.loads.size(), 2u);
    EXPECT_TRUE(checker.accept("house", 5, DictionaryMode::Whole));
    EXPECT_FALSE(checker.accept("quay", 4, DictionaryMode::Whole));

    // A file that cannot be read or is missing: reported with the user's text
    // (a multi-file run's, which has no "no file selected" text), and no index is kept.
    source.failure = Status::notFound("no table A");
    dir.write("check.dct", "even longer");
    EXPECT_EQ(checker.prepare("check.dct").message(), "failed:" + dir.folder() + "check.dct:no table A:multi");
    EXPECT_TRUE(checker.prepare("gone.dct").message().starts_with(dir.folder() + "gone.dct not found in folder."));
    log.clear();
    EXPECT_TRUE(checker.accept("quay", 4, DictionaryMode::Whole));
    EXPECT_TRUE(checker.accept("quayside", 8, DictionaryMode::Hybrid));
    EXPECT_TRUE(log.empty());
}

} // namespace
} // namespace quorlix
