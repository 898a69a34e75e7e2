#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "WordRunsTestSupport.h"
#include "words/WordDrawer.h"

namespace quorlix {
namespace {

using test::makeTables;
using test::WordRunFixture;

// 6 words: cumulative counts A 2, B 3, C..Z 6.
WordTables sixWords() { return makeTables({{'A', {"Apple", "arch"}}, {'B', {"Boat"}}, {'C', {"cat", "cow", "CRAB"}}}); }

struct DrawRow {
    double first;
    double second;
    const char* word;
};

class TwoStepDraw : public ::testing::TestWithParam<DrawRow> {};

TEST_P(TwoStepDraw, PicksTableByCumulativeCountThenRecord)
{
    const WordDrawer drawer(sixWords());
    ScriptedRandom random({GetParam().first, GetParam().second});
    EXPECT_EQ(drawer.draw(random), GetParam().word);
    EXPECT_EQ(random.drawsTaken(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Rows, TwoStepDraw,
                         ::testing::Values(DrawRow{0.0, 0.0, "apple"},     // first record of all
                                           DrawRow{0.0, 0.999, "arch"},    // last record of A
                                           DrawRow{0.2, 0.5, "arch"},      // r = 2, still A
                                           DrawRow{0.34, 0.0, "boat"},     // r = 3, B
                                           DrawRow{0.5, 0.0, "cat"},       // r = 4, first of C
                                           DrawRow{0.5, 0.34, "cow"},      // record 2 of C
                                           DrawRow{0.999, 0.999, "crab"})); // last record of all

TEST(TwoStepDraw, CountsPerTable)
{
    const WordDrawer drawer(sixWords());
    EXPECT_EQ(drawer.totalWords(), 6);
    EXPECT_EQ(drawer.count(0), 2);
    EXPECT_EQ(drawer.count(1), 1);
    EXPECT_EQ(drawer.count(2), 3);
    EXPECT_EQ(drawer.count(25), 0);
}

struct BatchRow {
    const char* name;
    std::function<void(WordSettings&)> settings;
    std::vector<double> draws;
    std::vector<std::string> rows;
};

class Batch : public ::testing::TestWithParam<BatchRow> {};

TEST_P(Batch, BuildsExactPasswords)
{
    const BatchRow& row = GetParam();
    WordRunFixture f(row.draws);
    f.source.words = sixWords();
    f.settings.totalPasswords = static_cast<std::int32_t>(row.rows.size());
    f.settings.randomNumbers = false;
    f.settings.duplicationCheck = false;
    row.settings(f.settings);
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < f.list.count(); ++i)
        rows.emplace_back(f.list.rowAdded(i));
    EXPECT_EQ(rows, row.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Batch,
    ::testing::Values(
        BatchRow{"separator_and_digits",
                 [](WordSettings& s) { s.randomNumbers = true; },
                 {0, 0, 0.5, 0.34, 0.1, 0.25, 0.999, 0},
                 {"apple*cow1290"}},
        BatchRow{"one_word_never_separated",
                 [](WordSettings& s) { s.wordsPerPassword = 1, s.randomNumbers = true; },
                 {0.999, 0.999, 0.1, 0.2, 0.3, 0.4},
                 {"crab1234"}},
        BatchRow{"empty_separator_joins",
                 [](WordSettings& s) { s.wordsPerPassword = 3, s.separator = ""; },
                 {0, 0, 0.34, 0, 0.999, 0.999},
                 {"appleboatcrab"}},
        BatchRow{"random_uppercase",
                 [](WordSettings& s) { s.randomUppercase = true, s.separator = "-"; },
                 {0, 0, 0.5, 0.5, 0.34, 0.0},
                 {"apPle-Cow"}},
        BatchRow{"digit_count_zero",
                 [](WordSettings& s) { s.randomNumbers = true, s.digitCount = 0, s.wordsPerPassword = 1; },
                 {0.34, 0},
                 {"boat"}},
        // apple (5) is too long: the candidate starts again.
        BatchRow{"length_window_redraws_candidate",
                 [](WordSettings& s) { s.wordLengthLimit = true, s.minWordLength = 4, s.maxWordLength = 4; },
                 {0, 0, 0, 0.999, 0.34, 0},
                 {"arch*boat"}},
        // cat (3) fails as second word: the first word is drawn again too.
        BatchRow{"length_window_redraws_first_word",
                 [](WordSettings& s) { s.wordLengthLimit = true, s.minWordLength = 4, s.maxWordLength = 5; },
                 {0, 0.999, 0.5, 0, 0.34, 0, 0, 0.999},
                 {"boat*arch"}},
        BatchRow{"duplicate_redrawn",
                 [](WordSettings& s) { s.wordsPerPassword = 1, s.duplicationCheck = true; },
                 {0, 0, 0, 0, 0.34, 0},
                 {"apple", "boat"}},
        BatchRow{"duplicates_kept_without_check",
                 [](WordSettings& s) { s.wordsPerPassword = 1; },
                 {0, 0},
                 {"apple", "apple", "apple"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordGenWords, NormalEndInOrder)
{
    WordRunFixture f({0, 0, 0.5, 0.34, 0.34, 0, 0.999, 0.999});
    f.source.words = sixWords();
    f.settings.totalPasswords = 2;
    f.settings.randomNumbers = false;
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
    const std::vector<std::string> expected = {
        "methods:off", "repaintList",          "execute:off",  "stop:on",
        "timer:on",    "showCountdown",        "countdown:Calculating...",
        "status:Processing.....Please Wait",   "counter:1 of 2", "counter:2 of 2",
        "status:Complete", "timer:off",        "execute:on",   "stop:off",
        "countdown:0:00:00", "progress:100"};
    EXPECT_EQ(f.log.calls, expected);
    ASSERT_EQ(f.list.count(), 2u);
    EXPECT_EQ(f.list.rowAdded(0), "apple*cow");
    EXPECT_EQ(f.list.rowAdded(1), "boat*crab");
    EXPECT_EQ(f.list.rowColour(0), 10);
    EXPECT_EQ(f.list.rowColour(1), 15);
    EXPECT_TRUE(f.list.updating());
    EXPECT_EQ(f.source.loads, std::vector<std::string>{f.dir.folder() + "wordlist_english_abridged.dct"});
}

TEST(PasswordGenWords, CounterOffLeavesItAlone)
{
    WordRunFixture f({0, 0, 0.5, 0.34});
    f.source.words = sixWords();
    f.checks.counter = false;
    f.settings.duplicationCheck = false;
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
    EXPECT_TRUE(f.log.starting("counter:").empty());
    EXPECT_EQ(f.list.count(), 25u);
}

TEST(PasswordGenWords, DisplayUpdatingOffFromFiveThousand)
{
    for (const auto& [total, updating] : std::vector<std::pair<int, bool>>{{4999, true}, {5000, false}}) {
        WordRunFixture f({0, 0, 0.5, 0.34});
        f.source.words = sixWords();
        f.settings.totalPasswords = total;
        f.settings.duplicationCheck = false;
        f.checks.counter = false;
        std::vector<bool> seen;
        f.surface.onEvents = [&](long n) {
            if (n == 1)
                seen.push_back(f.list.updating());
        };
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
        EXPECT_EQ(seen, std::vector<bool>{updating}) << total;
        EXPECT_TRUE(f.list.updating());
        EXPECT_EQ(f.list.count(), static_cast<std::size_t>(total));
    }
}

TEST(PasswordGenWords, TooFewWordsRefusesOnlyForOneUniqueWord)
{
    WordTables twenty;
    for (int i = 0; i < 20; ++i)
        twenty.table('M').push_back("mword" + std::to_string(i));
    {
        WordRunFixture f({0.1, 0.2, 0.3});
        f.source.words = twenty;
        f.settings.wordsPerPassword = 1;
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Refused);
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text,
                  f.dir.folder() +
                      "wordlist_english_abridged.dct  dictionary file contains a total of 20 words. You have "
                      "requested 25 passwords to be created which is more than this dictionary file contains. "
                      "Either remove duplication checks, request a smaller number of passwords than this "
                      "dictionary file contains or select a different dictionary file which contains more words.");
        EXPECT_EQ(f.boxes.shown[0].icon, Icon::Critical);
        EXPECT_EQ(f.list.count(), 0u);
        const std::vector<std::string> tail(f.log.calls.end() - 3, f.log.calls.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"box:" + f.boxes.shown[0].text, "timer:off", "countdown:0:00:00"}));
    }
    {
        std::vector<double> draws;
        for (int k = 0; k < 101; ++k)
            draws.push_back(std::fmod(k * 0.37, 1.0));
        WordRunFixture f(draws);
        f.source.words = twenty;
        f.settings.wordsPerPassword = 2;
        WordRunContext run = f.context();
        EXPECT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
        EXPECT_EQ(f.list.count(), 25u);
    }
}

TEST(PasswordGenWords, MissingDictionaryAndLoadFailure)
{
    {
        WordRunFixture f({0.5});
        f.settings.dictionary = "wordlist_french.dct";
        f.list.add("previous");
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Refused);
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text,
                  f.dir.folder() +
                      "wordlist_french.dct not found in folder. This file is necessary in order to select words "
                      "from. This file may have been moved or renamed. In order to use this dictionary file you "
                      "should download it into the Quorlix directory. Select the 'DOWNLOAD DICTIONARY FILE' option "
                      "from the 'DICTIONARY' menu.");
        EXPECT_EQ(f.boxes.shown[0].icon, Icon::Critical);
        EXPECT_EQ(f.log.calls.front(), "methods:off");
        EXPECT_EQ(f.list.count(), 1u); // the previous run's passwords stay
        EXPECT_TRUE(f.source.loads.empty());
    }
    {
        WordRunFixture f({0.5});
        f.source.failure = Status::notFound("no table A");
        f.list.add("previous");
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Failed);
        const std::string path = f.dir.folder() + "wordlist_english_abridged.dct";
        EXPECT_EQ(f.log.calls, (std::vector<std::string>{"methods:off", "box:failed:" + path + ":no table A:single",
                                                          "enableOn"}));
        EXPECT_EQ(f.list.count(), 1u);
    }
}

TEST(WordRuns, EmptyDictionaryIsReportedNotDrawnFrom)
{
    WordRunFixture f({0.5});
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Failed);
    const std::string path = f.dir.folder() + "wordlist_english_abridged.dct";
    EXPECT_EQ(f.boxes.shown.at(0).text, "failed:" + path + ":The dictionary holds no words.:single");
    MultiFileSettings series{1, "pw", 1, f.dir.folder(), "txt"};
    ASSERT_EQ(SaveMultiFileWords(run, series), WordRunEnd::Failed);
    EXPECT_EQ(f.boxes.shown.back().text, "failed:" + path + ":The dictionary holds no words.:multi");
    EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw1.txt"));
}

TEST(PasswordGenWords, StopPromptCancelThenOk)
{
    WordRunFixture f({0, 0, 0.34, 0, 0.5, 0, 0.5, 0.34, 0.999, 0.999});
    f.source.words = sixWords();
    f.settings.totalPasswords = 5;
    f.settings.wordsPerPassword = 1;
    f.settings.randomNumbers = false;
    // Two events per password (its candidate yield and its word yield), one
    // more before each prompt.
    f.surface.onEvents = [&](long n) {
        if (n == 3 || n == 8)
            f.state.stopRequested = 1;
    };
    f.boxes.answers = {Answer::Cancel, Answer::Ok};
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Stopped);
    const auto prompt = [](int produced) {
        return "Warning:  You have selected to stop the password generation process. This run has produced " +
               std::to_string(produced) +
               " of 5 requested passwords at the time you have elected to stop.\r\n\r\nSelect 'OK' to terminate "
               "this run.\r\n\r\nSelect 'Cancel' to continue with this run.";
    };
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_EQ(f.boxes.shown[0].text, prompt(2));
    EXPECT_EQ(f.boxes.shown[1].text, prompt(4));
    EXPECT_EQ(f.boxes.shown[1].icon, Icon::Exclamation);
    EXPECT_EQ(f.boxes.shown[1].buttons, Buttons::OkCancel);
    ASSERT_EQ(f.list.count(), 4u);
    EXPECT_EQ(f.list.rowColour(3), 15);
    const auto at = std::find(f.log.calls.begin(), f.log.calls.end(), "box:" + prompt(4));
    ASSERT_NE(at, f.log.calls.end());
    const std::vector<std::string> tail(at + 1, f.log.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"counter:4 of 5", "timer:off", "countdown:0:00:00", "stop:off",
                                              "execute:on", "heading:Generated Passwords", "status:Stopped by User",
                                              "methods:on"}));
    EXPECT_EQ(*(at - 1), "counter:4 of 5");
}

TEST(PasswordGenWords, StopWhileNoWordFitsIsAnsweredInsideTheRedraw)
{
    WordRunFixture f({0, 0, 0.5, 0.34});
    f.source.words = sixWords();
    f.settings.totalPasswords = 3;
    f.settings.wordLengthLimit = true;
    f.settings.minWordLength = 10;
    f.settings.maxWordLength = 12;
    f.surface.onEvents = [&](long n) {
        if (n == 5 || n == 11)
            f.state.stopRequested = 1;
    };
    f.boxes.answers = {Answer::Cancel, Answer::Ok};
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Stopped);
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_NE(f.boxes.shown[0].text.find("produced 0 of 3 requested"), std::string::npos);
    EXPECT_EQ(f.list.count(), 0u);
}

} // namespace
} // namespace quorlix
