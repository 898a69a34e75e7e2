#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "WordsTestSupport.h"
#include "words/WordDrawer.h"

namespace quorlix {
namespace {

using test::makeTables;
using test::WordRunFixture;

// 6 words: cumulative counts A 2, B 3, C..Z 6.
WordTables sixWords() { return makeTables({{'A', {"Apple", "arch"}}, {'B', {"Boat"}}, {'C', {"cat", "cow", "CRAB"}}}); }

// The first draw picks the table in proportion to its count, the second the
// record: the first and last records of all are reachable.
TEST(WordDrawer, PicksTableByCumulativeCountThenRecord)
{
    const WordDrawer drawer(sixWords());
    const std::vector<std::tuple<double, double, const char*>> rows{
        {0.0, 0.0, "apple"}, {0.2, 0.999, "arch"}, {0.34, 0.0, "boat"}, {0.5, 0.34, "cow"}, {0.999, 0.999, "crab"}};
    for (const auto& [first, second, word] : rows) {
        ScriptedRandom random({first, second});
        EXPECT_EQ(drawer.draw(random), word);
        EXPECT_EQ(random.drawsTaken(), 2u);
    }
}

// Words of any length come back whole, lower-cased, beside short ones.
TEST(WordDrawer, LongWordsComeBackWhole)
{
    const WordDrawer drawer(makeTables({{'A', {"Antidisestablishmentarianism", "ant"}}, {'B', {"Bee"}}}));
    ScriptedRandom random({0.0, 0.0, 0.0, 0.6, 0.9, 0.0});
    EXPECT_EQ(drawer.draw(random), "antidisestablishmentarianism");
    EXPECT_EQ(drawer.draw(random), "ant");
    EXPECT_EQ(drawer.draw(random), "bee");
}

TEST(PasswordGenWords, BuildsExactPasswords)
{
    using S = WordSettings;
    const std::vector<std::tuple<std::function<void(S&)>, std::vector<double>, std::vector<std::string>>> rows{
        {[](S& s) { s.randomNumbers = true; }, {0, 0, 0.5, 0.34, 0.1, 0.25, 0.999, 0}, {"apple*cow1290"}},
        // One word is never separated.
        {[](S& s) { s.wordsPerPassword = 1, s.randomNumbers = true; }, {0.999, 0.999, 0.1, 0.2, 0.3, 0.4},
         {"crab1234"}},
        {[](S& s) { s.randomUppercase = true, s.separator = "-"; }, {0, 0, 0.5, 0.5, 0.34, 0.0}, {"apPle-Cow"}},
        // cat (3) fails as second word: the first word is drawn again too.
        {[](S& s) { s.wordLengthLimit = true, s.minWordLength = 4, s.maxWordLength = 5; },
         {0, 0.999, 0.5, 0, 0.34, 0, 0, 0.999}, {"boat*arch"}},
        {[](S& s) { s.wordsPerPassword = 1, s.duplicationCheck = true; }, {0, 0, 0, 0, 0.34, 0}, {"apple", "boat"}}};
    for (const auto& [settings, draws, expected] : rows) {
        WordRunFixture f(draws);
        f.source.words = sixWords();
        f.settings.totalPasswords = static_cast<std::int32_t>(expected.size());
        f.settings.randomNumbers = false;
        f.settings.duplicationCheck = false;
        settings(f.settings);
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < f.list.count(); ++i) {
            got.emplace_back(f.list.rowAdded(i));
            EXPECT_EQ(f.list.rowColour(i), i % 2 == 0 ? 10 : 15);
        }
        EXPECT_EQ(got, expected);
        const std::string n = std::to_string(expected.size());
        EXPECT_EQ(f.after("setCounter:" + n + " of " + n),
                  (std::vector<std::string>{"setStatus:Complete", "setCountdownTimerEnabled:0", "setExecuteEnabled:1",
                                            "setStopEnabled:0", "setCountdown:0:00:00", "setProgress:100"}));
        EXPECT_EQ(f.source.loads, std::vector<std::string>{f.dir.folder() + "wordlist_english_abridged.dct"});
    }
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

// 104,000 words: 20,000 passwords of two of them and four digits would
// repeat by accident about once in 500,000 runs.
WordTables manyWords()
{
    WordTables t;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        for (int i = 0; i < 4000; ++i)
            t.table(letter).push_back(std::string(1, letter) + std::to_string(i));
    return t;
}

// A long run checks on a second thread (with few words, each candidate; with
// many, the list in bulk before the end and before a stop): the passwords,
// their order and the draws taken are those of the run checking each
// candidate as it is drawn, duplicates included (natural ones among 360,000
// possible, and planted).
TEST(PasswordGenWords, LongRunMakesThePasswordsOfTheRunOnOneThread)
{
    constexpr std::size_t kDrawsPerAttempt = 2 * 2 + 4; // two words of two draws, four digits
    const std::size_t total = 20000;
    std::vector<double> draws((total + 2000) * kDrawsPerAttempt);
    std::uint64_t x = 2463534242ull;
    for (double& d : draws) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        d = static_cast<double>(x >> 11) / 9007199254740992.0;
    }
    for (const auto& [to, from] : std::vector<std::pair<std::size_t, std::size_t>>{{100, 2}, {7000, 2}, {15000, 9}})
        std::copy_n(draws.begin() + static_cast<std::ptrdiff_t>(from * kDrawsPerAttempt), kDrawsPerAttempt,
                    draws.begin() + static_cast<std::ptrdiff_t>(to * kDrawsPerAttempt));

    for (const auto& [name, words, stopAt] : std::vector<std::tuple<std::string, WordTables, std::size_t>>{
             {"few words", sixWords(), 0}, {"many words", manyWords(), 0}, {"many words, stopped", manyWords(), 30000}}) {
        SCOPED_TRACE(name);
        // One candidate at a time.
        const WordDrawer drawer(words);
        ScriptedRandom reference(draws);
        std::vector<std::string> expected;
        std::set<std::string> seen;
        while (expected.size() < total) {
            std::string candidate(drawer.draw(reference));
            candidate += "-";
            candidate += drawer.draw(reference);
            for (int d = 0; d < 4; ++d)
                candidate += static_cast<char>('0' + reference.draw(10, 0));
            if (seen.insert(candidate).second)
                expected.push_back(candidate);
        }
        ASSERT_GE(reference.drawsTaken(), (total + 3) * kDrawsPerAttempt); // duplicates were drawn

        WordRunFixture f(draws);
        f.source.words = words;
        f.settings.totalPasswords = static_cast<std::int32_t>(total);
        f.settings.separator = "-";
        f.settings.randomNumbers = true;
        f.settings.digitCount = 4;
        f.settings.duplicationCheck = true;
        f.surface.logCounter = false;
        const std::size_t stopEvent = stopAt; // a lambda may not name a structured binding everywhere
        f.surface.onProcessEvents = [&] {
            if (stopEvent != 0 && f.surface.processEventsCount == stopEvent)
                f.state.stopRequested = 1;
        };
        f.boxes.answers = {Answer::Ok};
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), stopAt ? WordRunEnd::Stopped : WordRunEnd::Completed);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < f.list.count(); ++i)
            got.emplace_back(f.list.rowAdded(i));
        const std::string made = std::to_string(got.size());
        if (stopAt) {
            // The planted duplicates at 100 and 7,000 are gone before the prompt counts.
            ASSERT_GT(got.size(), 7000u);
            ASSERT_LT(got.size(), total);
            expected.resize(got.size());
            ASSERT_EQ(f.boxes.texts().size(), 1u);
            EXPECT_NE(f.boxes.texts()[0].find("produced " + made + " of 20000"), std::string::npos);
        } else {
            EXPECT_EQ(f.random.drawsTaken(), reference.drawsTaken());
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(f.surface.counter, made + " of " + std::to_string(total));
    }
}

// The words and digits of a long run keep their distribution: each of 20
// words and each digit alike. Chi-square against the 1-in-a-million critical
// values (19 and 9 degrees of freedom).
TEST(PasswordGenWords, LongRunWordsAndDigitsKeepTheirDistribution)
{
    WordRunFixture f({});
    std::vector<std::pair<char, std::vector<std::string>>> tables;
    std::vector<std::string> words;
    for (const char letter : {'a', 'k', 'q', 'z'}) {
        tables.push_back({letter, {}});
        for (int i = 0; i < 5; ++i) {
            words.push_back(std::string(1, letter) + std::string(static_cast<std::size_t>(i + 2), 'x'));
            tables.back().second.push_back(words.back());
        }
    }
    f.source.words = makeTables(tables);
    f.settings.totalPasswords = 60000;
    f.settings.wordsPerPassword = 1;
    f.settings.randomNumbers = true;
    f.settings.digitCount = 4;
    f.settings.duplicationCheck = false;
    f.surface.logCounter = false;
    SecureRandom random;
    WordRunContext run{f.settings, f.checks, f.surface, f.boxes, f.list, f.yield, f.state, random, f.source, f.dir.folder()};
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
    std::map<std::string, double> wordCounts;
    std::array<double, 10> digitCounts{};
    for (std::size_t i = 0; i < f.list.count(); ++i) {
        const std::string_view row = f.list.rowAdded(i);
        wordCounts[std::string(row.substr(0, row.size() - 4))] += 1;
        for (const char d : row.substr(row.size() - 4))
            digitCounts[static_cast<std::size_t>(d - '0')] += 1;
    }
    ASSERT_EQ(wordCounts.size(), 20u);
    double chiWords = 0;
    for (const auto& [word, n] : wordCounts)
        chiWords += std::pow(n - 3000.0, 2) / 3000.0;
    double chiDigits = 0;
    for (const double n : digitCounts)
        chiDigits += std::pow(n - 24000.0, 2) / 24000.0;
    EXPECT_LT(chiWords, 63.7);
    EXPECT_LT(chiDigits, 44.8);
}

// Too few words refuses only when one word per password cannot give enough.
TEST(PasswordGenWords, RefusalsAndLoadFailures)
{
    WordTables twenty;
    for (int i = 0; i < 20; ++i)
        twenty.table('M').push_back("mword" + std::to_string(i));
    std::vector<double> draws;
    for (int k = 0; k < 101; ++k)
        draws.push_back(std::fmod(k * 0.37, 1.0));
    const std::string missing =
        "wordlist_french.dct not found in folder. This file is necessary in order to select words from. This file "
        "may have been moved or renamed. In order to use this dictionary file you should download it into the "
        "Quorlix directory. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.";
    const std::string tooFew =
        "wordlist_english_abridged.dct  dictionary file contains a total of 20 words. You have requested 25 "
        "passwords to be created which is more than this dictionary file contains. Either remove duplication "
        "checks, request a smaller number of passwords than this dictionary file contains or select a different "
        "dictionary file which contains more words.";
    for (const auto& [words, dictionary, text] :
         std::vector<std::tuple<int, const char*, std::string>>{{2, "wordlist_english_abridged.dct", ""},
                                                                {1, "wordlist_english_abridged.dct", tooFew},
                                                                {1, "wordlist_french.dct", missing}}) {
        WordRunFixture f(draws);
        f.source.words = twenty;
        f.settings.wordsPerPassword = static_cast<std::int16_t>(words);
        f.settings.dictionary = dictionary;
        f.list.add("previous");
        WordRunContext run = f.context();
        if (text.empty()) { // 25 from 400 combinations
            EXPECT_EQ(PasswordGenWords(run), WordRunEnd::Completed);
            EXPECT_EQ(f.list.count(), 25u);
            continue;
        }
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Refused);
        EXPECT_EQ(f.boxes.texts(), std::vector<std::string>{f.dir.folder() + text});
        EXPECT_EQ(f.boxes.shown[0].icon, Icon::Critical);
        if (text == tooFew) {
            EXPECT_EQ(f.after("message:" + f.boxes.shown[0].text),
                      (std::vector<std::string>{"setCountdownTimerEnabled:0", "setCountdown:0:00:00"}));
        } else {
            EXPECT_TRUE(f.source.loads.empty());
        }
        EXPECT_EQ(f.list.count(), text == tooFew ? 0u : 1u); // a missing file keeps the previous list
    }
    // A dictionary that cannot be read, or holds no words, is reported; the list stays.
    for (const Status& failure : {Status::notFound("no table A"), Status::ok()}) {
        WordRunFixture f({0.5});
        f.source.failure = failure;
        f.list.add("previous");
        WordRunContext run = f.context();
        ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Failed);
        const std::string shown = "message:failed:" + f.dir.folder() + "wordlist_english_abridged.dct:" +
                                  (failure.isOk() ? "The dictionary holds no words." : "no table A") + ":single";
        EXPECT_EQ(f.log, (std::vector<std::string>{"setMethodOptionsEnabled:0", shown, "enableOn"}));
        EXPECT_EQ(f.list.count(), 1u);
    }
}

// The duplication check on: a request above what the settings can give is
// refused naming both numbers. Words that fit the length window (each once
// per letter a random upper case can raise), to the power of the words per
// password, times the digit endings.
TEST(PasswordGenWords, RefusesMoreThanTheSettingsCanGive)
{
    using S = WordSettings;
    const auto window = [](S& s) { s.wordLengthLimit = true, s.minWordLength = 4, s.maxWordLength = 4; };
    const std::vector<std::tuple<std::function<void(S&)>, int, int>> rows{
        {[](S& s) { s.randomNumbers = false; }, 37, 36},
        {[&](S& s) { window(s), s.randomNumbers = false; }, 10, 9}, // arch, boat, crab
        {[&](S& s) { window(s), s.randomUppercase = true, s.digitCount = 1; }, 1441, 1440}};
    for (const auto& [settings, total, possible] : rows) {
        WordRunFixture f({0, 0.5, 0.34, 0.999});
        f.source.words = sixWords();
        f.settings.totalPasswords = total;
        settings(f.settings);
        f.surface.onProcessEvents = [&] {
            if (f.surface.processEventsCount == 30'000'000)
                f.state.stopRequested = 1; // the fuse: a run that never ends fails instead of hanging
        };
        WordRunContext run = f.context();
        EXPECT_EQ(PasswordGenWords(run), WordRunEnd::Refused);
        const std::string most = std::to_string(possible);
        EXPECT_EQ(f.boxes.texts(),
                  std::vector<std::string>{"Cannot make " + std::to_string(total) +
                                           " different passwords: the current settings allow at most " + most +
                                           " different passwords, and the duplication check allows no repeats. "
                                           "Request " + most + " or fewer, allow more characters, words or lengths, "
                                           "or switch off the duplication check."});
        EXPECT_EQ(f.list.count(), 0u);
        EXPECT_EQ(f.after("message:" + f.boxes.shown[0].text),
                  (std::vector<std::string>{"setCountdownTimerEnabled:0", "setCountdown:0:00:00"}));
    }
}

// No word fits the length window: the redraws end after a long stretch, as
// a stopped run does, with a message that says why.
TEST(PasswordGenWords, EndlessRedrawsEndTheRun)
{
    WordRunFixture f({0, 0, 0.5, 0.34});
    f.source.words = sixWords();
    f.settings.duplicationCheck = false;
    f.settings.wordLengthLimit = true;
    f.settings.minWordLength = 10;
    f.settings.maxWordLength = 12;
    f.surface.onProcessEvents = [&] {
        if (f.surface.processEventsCount == 30'000'000)
            f.state.stopRequested = 1; // the fuse
    };
    WordRunContext run = f.context();
    ASSERT_EQ(PasswordGenWords(run), WordRunEnd::Endless);
    const std::string message =
        "Error: Cannot continue. Every password drawn for a long stretch was rejected by the checks that are switched "
        "on, so these settings cannot make the passwords requested. The passwords made so far are kept. Make more "
        "characters, words or lengths available, or switch off some of the checks.";
    EXPECT_EQ(f.boxes.texts(), std::vector<std::string>{message});
    EXPECT_EQ(f.after("message:" + message),
              (std::vector<std::string>{"setCounter:0 of 25", "setCountdownTimerEnabled:0", "setCountdown:0:00:00",
                                        "setStopEnabled:0", "setExecuteEnabled:1", "setHeading:Generated Passwords",
                                        "setStatus:Stopped by User", "setMethodOptionsEnabled:1"}));
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
    f.settings.duplicationCheck = false; // with it, nothing possible is refused at the start
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
