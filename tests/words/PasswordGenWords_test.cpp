#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "WordsTestSupport.h"
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

// The first draw picks the table in proportion to its count, the second the record.
TEST_P(TwoStepDraw, PicksTableByCumulativeCountThenRecord)
{
    const WordDrawer drawer(sixWords());
    ScriptedRandom random({GetParam().first, GetParam().second});
    EXPECT_EQ(drawer.draw(random), GetParam().word);
    EXPECT_EQ(random.drawsTaken(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Rows, TwoStepDraw,
                         ::testing::Values(DrawRow{0.0, 0.0, "apple"},     // first record of all
                                           DrawRow{0.2, 0.999, "arch"},    // r = 2, last of A
                                           DrawRow{0.34, 0.0, "boat"},     // r = 3, B
                                           DrawRow{0.5, 0.34, "cow"},      // r = 4, record 2 of C
                                           DrawRow{0.999, 0.999, "crab"})); // last record of all

// Words of any length come back whole, lower-cased, beside short ones.
TEST(WordDrawer, LongWordsComeBackWhole)
{
    const WordDrawer drawer(makeTables({{'A', {"Antidisestablishmentarianism", "ant"}}, {'B', {"Bee"}}}));
    ScriptedRandom random({0.0, 0.0, 0.0, 0.6, 0.9, 0.0});
    EXPECT_EQ(drawer.draw(random), "antidisestablishmentarianism");
    EXPECT_EQ(drawer.draw(random), "ant");
    EXPECT_EQ(drawer.draw(random), "bee");
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

using S = WordSettings;
INSTANTIATE_TEST_SUITE_P(
    Rows, Batch,
    ::testing::Values(
        BatchRow{"separator_and_digits", [](S& s) { s.randomNumbers = true; }, {0, 0, 0.5, 0.34, 0.1, 0.25, 0.999, 0},
                 {"apple*cow1290"}},
        BatchRow{"one_word_never_separated", [](S& s) { s.wordsPerPassword = 1, s.randomNumbers = true; },
                 {0.999, 0.999, 0.1, 0.2, 0.3, 0.4}, {"crab1234"}},
        BatchRow{"random_uppercase", [](S& s) { s.randomUppercase = true, s.separator = "-"; },
                 {0, 0, 0.5, 0.5, 0.34, 0.0}, {"apPle-Cow"}},
        // cat (3) fails as second word: the first word is drawn again too.
        BatchRow{"length_window_redraws_first_word",
                 [](S& s) { s.wordLengthLimit = true, s.minWordLength = 4, s.maxWordLength = 5; },
                 {0, 0.999, 0.5, 0, 0.34, 0, 0, 0.999}, {"boat*arch"}},
        BatchRow{"duplicate_redrawn", [](S& s) { s.wordsPerPassword = 1, s.duplicationCheck = true; },
                 {0, 0, 0, 0, 0.34, 0}, {"apple", "boat"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PasswordGenWords, NormalEndInOrder)
{
    WordRunFixture f({0, 0, 0.5, 0.34, 0.34, 0, 0.999, 0.999});
    f.source.words = sixWords();
    f.settings.totalPasswords = 2;
    f.settings.randomNumbers = false;
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
    EXPECT_EQ(f.after("setCounter:2 of 2"),
              (std::vector<std::string>{"setStatus:Complete", "setCountdownTimerEnabled:0", "setExecuteEnabled:1",
                                        "setStopEnabled:0", "setCountdown:0:00:00", "setProgress:100"}));
    ASSERT_EQ(f.list.count(), 2u);
    EXPECT_EQ(f.list.rowAdded(1), "boat*crab");
    EXPECT_EQ(f.list.rowColour(0), 10);
    EXPECT_EQ(f.list.rowColour(1), 15);
    EXPECT_EQ(f.source.loads, std::vector<std::string>{f.dir.folder() + "wordlist_english_abridged.dct"});
}

TEST(PasswordGenWords, DisplayUpdatingOffFromFiveThousand)
{
    for (const auto& [total, updating] : std::vector<std::pair<int, bool>>{{4999, true}, {5000, false}}) {
        WordRunFixture f({0, 0, 0.5, 0.34});
        f.source.words = sixWords();
        f.settings.totalPasswords = total;
        f.settings.duplicationCheck = false;
        f.surface.logCounter = false;
        std::vector<bool> seen;
        f.surface.onProcessEvents = [&] {
            if (f.surface.processEventsCount == 1)
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
    for (int words : {1, 2}) {
        std::vector<double> draws;
        for (int k = 0; k < 101; ++k)
            draws.push_back(std::fmod(k * 0.37, 1.0));
        WordRunFixture f(draws);
        f.source.words = twenty;
        f.settings.wordsPerPassword = static_cast<std::int16_t>(words);
        WordRunContext run = f.context();
        if (words == 2) { // 25 from 400 combinations
            EXPECT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
            EXPECT_EQ(f.list.count(), 25u);
            continue;
        }
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Refused);
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text,
                  f.dir.folder() +
                      "wordlist_english_abridged.dct  dictionary file contains a total of 20 words. You have "
                      "requested 25 passwords to be created which is more than this dictionary file contains. "
                      "Either remove duplication checks, request a smaller number of passwords than this "
                      "dictionary file contains or select a different dictionary file which contains more words.");
        EXPECT_EQ(f.boxes.shown[0].icon, Icon::Critical);
        EXPECT_EQ(f.after("message:" + f.boxes.shown[0].text),
                  (std::vector<std::string>{"setCountdownTimerEnabled:0", "setCountdown:0:00:00"}));
        EXPECT_EQ(f.list.count(), 0u);
    }
}

TEST(PasswordGenWords, MissingDictionaryAndLoadFailureKeepThePreviousList)
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
        EXPECT_EQ(f.list.count(), 1u);
        EXPECT_TRUE(f.source.loads.empty());
    }
    {
        WordRunFixture f({0.5});
        f.source.failure = Status::notFound("no table A");
        f.list.add("previous");
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Failed);
        const std::string path = f.dir.folder() + "wordlist_english_abridged.dct";
        EXPECT_EQ(f.log, (std::vector<std::string>{"setMethodOptionsEnabled:0",
                                                   "message:failed:" + path + ":no table A:single", "enableOn"}));
        EXPECT_EQ(f.list.count(), 1u);
    }
    { // An empty dictionary is reported, not drawn from.
        WordRunFixture f({0.5});
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Failed);
        EXPECT_EQ(f.boxes.shown.at(0).text,
                  "failed:" + f.dir.folder() + "wordlist_english_abridged.dct:The dictionary holds no words.:single");
    }
}

struct StopRow {
    const char* name;
    bool duplicationCheck;
    int firstPrompt;  // passwords reported at the first prompt
    int secondPrompt; // passwords reported at the second prompt, and kept
};

class StopPrompt : public ::testing::TestWithParam<StopRow> {};

// Stop asked twice at the same event counts: Cancel goes on, OK ends with the
// prompt's count of passwords kept. With the duplication check on, the next
// attempt's yields come before the verdict on the current one, so each
// request lands one password earlier.
TEST_P(StopPrompt, CancelThenOk)
{
    const StopRow& row = GetParam();
    WordRunFixture f({0, 0, 0.34, 0, 0.5, 0, 0.5, 0.34, 0.999, 0.999});
    f.source.words = sixWords();
    f.settings.totalPasswords = 5;
    f.settings.wordsPerPassword = 1;
    f.settings.randomNumbers = false;
    f.settings.duplicationCheck = row.duplicationCheck;
    // Two events per password (its candidate yield and its word yield), one
    // more before each prompt.
    f.surface.onProcessEvents = [&] {
        if (f.surface.processEventsCount == 3 || f.surface.processEventsCount == 8)
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
    const int kept = row.secondPrompt;
    EXPECT_EQ(f.boxes.texts(), (std::vector<std::string>{prompt(row.firstPrompt), prompt(kept)}));
    EXPECT_EQ(f.boxes.shown[1].icon, Icon::Exclamation);
    EXPECT_EQ(f.boxes.shown[1].buttons, Buttons::OkCancel);
    ASSERT_EQ(f.list.count(), static_cast<std::size_t>(kept));
    const std::vector<std::string> drawn{"apple", "boat", "cat", "cow", "crab"};
    for (std::size_t i = 0; i < f.list.count(); ++i)
        EXPECT_EQ(f.list.rowAdded(i), drawn[i]); // never a drawn-ahead attempt
    EXPECT_EQ(f.list.rowColour(static_cast<std::size_t>(kept - 1)), kept % 2 == 0 ? 15 : 10);
    const std::string counter = "setCounter:" + std::to_string(kept) + " of 5";
    EXPECT_EQ(f.after("message:" + prompt(kept)),
              (std::vector<std::string>{counter, "setCountdownTimerEnabled:0", "setCountdown:0:00:00",
                                        "setStopEnabled:0", "setExecuteEnabled:1",
                                        "setHeading:Generated Passwords", "setStatus:Stopped by User",
                                        "setMethodOptionsEnabled:1"}));
}

INSTANTIATE_TEST_SUITE_P(Rows, StopPrompt,
                         ::testing::Values(StopRow{"without_duplication_check", false, 2, 4},
                                           StopRow{"drawing_ahead", true, 1, 3}),
                         [](const auto& p) { return std::string(p.param.name); });

// No word fits the length window: the redraw loop must still answer Stop.
TEST(PasswordGenWords, StopWhileNoWordFits)
{
    WordRunFixture f({0, 0, 0.5, 0.34});
    f.source.words = sixWords();
    f.settings.wordLengthLimit = true;
    f.settings.minWordLength = 10;
    f.settings.maxWordLength = 12;
    f.surface.onProcessEvents = [&] {
        if (f.surface.processEventsCount == 5 || f.surface.processEventsCount == 11)
            f.state.stopRequested = 1;
    };
    f.boxes.answers = {Answer::Cancel, Answer::Ok};
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Stopped);
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_NE(f.boxes.shown[0].text.find("produced 0 of 25 requested"), std::string::npos);
}

} // namespace
} // namespace quorlix
