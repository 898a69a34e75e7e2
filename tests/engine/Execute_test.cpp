#include <gtest/gtest.h>

#include <string>

#include "EngineFixture.h"

namespace quorlix::testing {
namespace {

const std::string kStrongTail =
    " are deactivated while the Strong Passwords are activated. Strong Passwords CANNOT be created unless 3 out the "
    "four character types are available for selection. Please make one or both of these character types availabe "
    "from the 'Characters' menu item or deactivate the Strong Passwords option below.";
const std::string kAmount = " Must request a password amount/number of characters";
const std::string kRange = " Amount of characters must be between 1 (min) and 60 (max)";
const std::string kDigits = "0123456789";

// More passwords than can differ, with the duplication check on.
std::string tooFewText(int requested, int possible)
{
    return "Cannot make " + std::to_string(requested) + " different passwords: the current settings allow at most " +
           std::to_string(possible) + " different passwords, and the duplication check allows no repeats. Request " +
           std::to_string(possible) + " or fewer, allow more characters, words or lengths, or switch off the "
           "duplication check.";
}

std::string ruleText(int position, const std::string& one, const std::string& many)
{
    return "Position " + std::to_string(position) + ", from the 'Password Rules' menu requires only " + many +
           ". However, no " + many + " have been selected from the 'Characters' menu. Either make atleast one " +
           one + " available or do not require " + many + " as a rule.";
}

class ExecuteTest : public EngineFixture {};

// A refusal shows exactly its message (exclamation, OK) after the readout
// steps and leaves the display and the Execute button alone; an accepted
// request runs. Rows with several
// faults at once show which check comes first.
TEST_F(ExecuteTest, RefusesWithItsMessageOrRuns)
{
    struct Row {
        const char* name;
        int total, min, max;
        std::string only; // the available characters; empty: the default pool
        bool strong;
        int marks; // at index 60: 1 hyphen, 2 blank, 3 both
        std::vector<std::pair<int, int>> rules;
        std::string message; // empty: the run is accepted
    };
    const std::vector<Row> table{
        {"MinAboveMaxBeforeAmount", 0, 8, 4, "", false, 0, {},
         "Maximum 'Total Characters' number must be greater than minimum number"},
        {"NoAmount", 0, 8, 8, "", false, 0, {}, kAmount},
        {"NoCharacters", 5, 0, 0, "", false, 0, {}, kAmount},
        {"AmountAboveTenMillion", 10'000'001, 8, 8, "", false, 0, {},
         " Password amount must be between 1 and 10,000,000 (10 Million)"},
        {"MaxSixtyOne", 5, 8, 61, "", false, 0, {}, kRange},
        {"MinZero", 5, 0, 8, "", false, 0, {}, kRange},
        {"StrongNeedsSixBeforePair", 5, 5, 12, kDigits, true, 0, {},
         "A minimum of 6 characters is required when the 'Strong Passwords' option is selected. Please "
         "type in 6 or greater in the 'Total Characters' Min/Max fields or disable the Strong Passwords "
         "requirement."},
        {"HyphenBeforeBlank", 5, 8, 8, "", false, 3, {},
         " Hyphen requested beyond the number of characters requested."},
        {"BlankBeforeStrongPair", 5, 8, 8, kDigits, true, 2, {},
         " Blank Spaces requested beyond the number of characters requested."},
        {"StrongNumbersAndUppercase", 5, 8, 8, kDigits + "ABCDEFGHIJKLMNOPQRSTUVWXYZ", true, 0, {},
         "Lowercase Letters and Special Symbols" + kStrongTail},
        {"StrongSpecial", 5, 8, 8, "!#", true, 0, {}, "Numbers and Lowercase Letters" + kStrongTail},
        {"StrongLowercase", 5, 8, 8, "abc", true, 0, {}, "Numbers and Uppercase Letters" + kStrongTail},
        {"StrongLetters", 5, 8, 8, "abcXYZ", true, 0, {}, "Numbers and Special Symbols" + kStrongTail},
        {"StrongNumbersBeforeRule", 5, 8, 8, "0123", true, 0, {{1, 4}},
         "Lowercase Letters and Uppercase Letters" + kStrongTail},
        {"StrongNumbersAndLowercase", 5, 8, 8, "01ab", true, 0, {},
         "Uppercase Letters and Special Symbols" + kStrongTail},
        {"StrongWithOneClassMissingRuns", 5, 8, 8, "01abAB", true, 0, {}, ""},
        {"FirstFailingRule", 5, 8, 8, "abc", false, 0, {{3, 1}, {5, 4}}, ruleText(3, "number", "numbers")},
        {"RuleLowercase", 5, 8, 8, "012", false, 0, {{8, 2}}, ruleText(8, "lowercase letter", "lowercase letters")},
        {"RuleUppercaseAtMax", 5, 5, 7, "012abc", false, 0, {{7, 3}},
         ruleText(7, "uppercase letter", "uppercase letters")},
        {"RuleBeyondMaxIsNotChecked", 5, 5, 6, "012abc", false, 0, {{7, 3}}, ""},
        {"RuleSpecial", 5, 8, 8, "", false, 0, {{1, 4}}, ruleText(1, "special symbol", "special symbols")},
        {"SpecialClassFromColonToAt", 5, 8, 8, ":;<=>?@", false, 0, {{1, 4}}, ""},
        // Lengths 1 and 2 of two digits give 2 + 4; a rule narrows a position to its class.
        {"MoreThanTheLengthsAllow", 7, 1, 2, "01", false, 0, {}, tooFewText(7, 6)},
        {"EveryPossiblePasswordRuns", 6, 1, 2, "01", false, 0, {}, ""},
        {"MoreThanTheRulesAllow", 5, 2, 2, "0abc", false, 0, {{1, 1}}, tooFewText(5, 4)}};
    checks.counter = false;
    checks.sortDisplay = false;
    fuse(); // a run that never ends would otherwise hang the test
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        values = RunValues{row.total, static_cast<std::int16_t>(row.min), static_cast<std::int16_t>(row.max)};
        pool = CharacterPool::defaultPool();
        if (!row.only.empty())
            onlyAvailable(row.only);
        checks.strong = row.strong;
        inserts.hyphen[60] = static_cast<std::int16_t>(row.marks & 1);
        inserts.blank[60] = static_cast<std::int16_t>((row.marks & 2) / 2);
        rules = PositionRules();
        for (const auto& [position, rule] : row.rules)
            rules.rule[static_cast<std::size_t>(position)] = static_cast<std::int16_t>(rule);
        list.clear();
        list.add("earlier row");
        log.clear();
        boxes.shown.clear();
        execute();
        if (row.message.empty()) {
            EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
            EXPECT_EQ(list.count(), static_cast<std::size_t>(row.total));
            continue;
        }
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, row.message);
        EXPECT_EQ(boxes.shown[0].title, "Quorlix");
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
        EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
        EXPECT_EQ(rows(), std::vector<std::string>{"earlier row"});
        EXPECT_FALSE(list.sorted());
        // The steps before the checks are done; nothing after them.
        EXPECT_EQ(log, (CallLog{"setCounter:Counter Off", "setHeading: Generated Passwords - Unsorted",
                                "setProgress:0", "message:" + row.message}));
    }
}

TEST_F(ExecuteTest, SingleRunCallsInOrder)
{
    values.totalPasswords = 3;
    execute();
    EXPECT_EQ(joined(log), "setHeading: Generated Passwords - Sorted|setProgress:0|setStopEnabled:1|"
                           "setExecuteEnabled:0|enableOff|repaintList|setCountdownTimerEnabled:1|showCountdown|"
                           "setCountdown:Calculating...|setStatus:Processing.....Please Wait|setCounter:1 of 3|"
                           "setCounter:2 of 3|setCounter:3 of 3|setStatus:Complete|setExecuteEnabled:1|"
                           "setStopEnabled:0|enableOn|setCountdownTimerEnabled:0|setCountdown:0:00:00|"
                           "setProgress:100|enableOn|selectFirstRow|setExecuteEnabled:1|setStopEnabled:0|"
                           "setMethodOptionsEnabled:1");
    EXPECT_TRUE(list.sorted());
    EXPECT_EQ(std::vector<int>({list.rowColour(0), list.rowColour(1), list.rowColour(2), list.rowColour(3)}),
              std::vector<int>({11, 15, 11, -1}));
}

// Either symbol alone brings the one message naming both; Hybrid mode or the
// check off leave them available.
TEST_F(ExecuteTest, WholeWordCheckDeactivatesBothSymbols)
{
    checks.dictionary = true;
    values.totalPasswords = 4;
    for (const auto& [code, mode] : {std::pair{39, DictionaryMode::Whole}, {124, DictionaryMode::Whole},
                                     {39, DictionaryMode::Hybrid}}) {
        SCOPED_TRACE(code);
        pool = CharacterPool::defaultPool();
        pool.setAvailable(code, true);
        pool.recount();
        boxes.shown.clear();
        checks.dictionaryMode = mode;
        execute();
        EXPECT_EQ(list.count(), 4u);
        if (mode == DictionaryMode::Hybrid) {
            EXPECT_TRUE(boxes.shown.empty());
            EXPECT_TRUE(pool.isAvailable(code));
            continue;
        }
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text,
                  "The following Special Symbols have been deactivated:\r\n\r\n'\r\n|\r\n\r\nThese "
                  "symbols cause errors when the Whole Word Dictionary check is activated.");
        EXPECT_EQ(pool.availableCount(), 62);
        EXPECT_TRUE(surface.called("refreshReadout"));
    }
}

// Deactivation and pruning (marks from the minimum to 59) are done before a
// later refusal and stay done.
TEST_F(ExecuteTest, DeactivationAndPruningPrecedeLaterRefusals)
{
    pool.setAvailable('|', true);
    checks.dictionary = true;
    values.minLength = 4;
    values.maxLength = 10;
    for (int i = 1; i <= 59; ++i)
        inserts.hyphen[i] = inserts.blank[i] = 1;
    rules.rule[2] = 4;
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text.substr(0, 12), "Position 2, ");
    EXPECT_FALSE(pool.isAvailable('|'));
    for (int i = 1; i <= 59; ++i) {
        EXPECT_EQ(inserts.hyphen[i], i < 4 ? 1 : 0) << i;
        EXPECT_EQ(inserts.blank[i], i < 4 ? 1 : 0) << i;
    }
}

// The question names the series; Cancel ends without a run, No runs into the
// display and switches multi-file off.
TEST_F(ExecuteTest, MultiFileQuestionCancelAndNo)
{
    multiFile = MultiFileSettings{1, "pw", 3, "/home/u/lists/", "csv"};
    values.totalPasswords = 6;
    list.add("kept");
    boxes.answers = {Answer::Cancel, Answer::No};
    execute();
    const std::string text =
        "Multifile saves are active. If you wish to deactivate this mode, you must remove the check in the MultiFile "
        "display (from the FILE menu). Select 'Yes' to execute Multi-File settings. Select 'NO' to bypass MultiFile "
        "settings. Select 'Cancel' to Exit this execution. If executed in Multi-File mode then 3 files will be "
        "created starting with: \r\n\r\npw1.csv\r\n\r\nCompleting with: \r\n\r\npw3.csv\r\n\r\nThey will be saved in "
        "the following directory/path: \r\n\r\n/home/u/lists/\r\n\r\nThis execution will be using the '";
    const std::string tail = "' method, and password criteria is based on the current settings for this method.";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, text + "Random Characters" + tail);
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(multiFileConfirmationText(multiFile, GenerationMethod::RandomWords), text + "Random Words" + tail);
    EXPECT_EQ(rows(), std::vector<std::string>{"kept"});
    EXPECT_EQ(log.back(), "message:" + boxes.shown[0].text);
    execute();
    EXPECT_EQ(multiFile.active, 0);
    EXPECT_EQ(list.count(), 6u);
}

// Random Words skips every character check and goes to its own generator.
TEST_F(ExecuteTest, RandomWordsDispatchSkipsCharacterChecks)
{
    struct FakeWords : WordsGenerators {
        std::vector<std::string> calls;
        void passwordGenWords(const RunRequest&, RunEnvironment&) override { calls.push_back("single"); }
        void saveMultiFileWords(const RunRequest&, RunEnvironment&) override { calls.push_back("multi"); }
    } fake;
    method = GenerationMethod::RandomWords;
    values.minLength = 9;
    values.maxLength = 2;
    execute(nullptr, &fake);
    multiFile.active = 1;
    execute(nullptr, &fake);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"single", "multi"}));
    ASSERT_EQ(boxes.shown.size(), 1u); // only the multi-file question
    EXPECT_EQ(log.back(), "setMethodOptionsEnabled:1");
    EXPECT_EQ(surface.callsStartingWith("selectFirstRow").size(), 1u); // after the single run only
}

} // namespace
} // namespace quorlix::testing
