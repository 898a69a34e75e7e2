#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "EngineFixture.h"

namespace quorlix::testing {
namespace {

const std::string kStrongTail =
    " are deactivated while the Strong Passwords are activated. Strong Passwords CANNOT be created unless 3 out the "
    "four character types are available for selection. Please make one or both of these character types availabe "
    "from the 'Characters' menu item or deactivate the Strong Passwords option below.";

struct RefusalRow {
    const char* name;
    std::function<void(EngineFixture&)> setup;
    std::string message; // empty: the run is accepted
};

class ExecuteRefusal : public EngineFixture, public ::testing::WithParamInterface<RefusalRow> {};

// A refusal shows exactly its message (exclamation, OK), leaves the display and
// the Execute button alone; an accepted request runs and fills the display.
TEST_P(ExecuteRefusal, RefusesWithItsMessageOrRuns)
{
    const RefusalRow& row = GetParam();
    values.totalPasswords = 5;
    values.minLength = 8;
    values.maxLength = 8;
    row.setup(*this);
    list.add("earlier row");
    execute();
    if (row.message.empty()) {
        EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
        EXPECT_EQ(list.count(), static_cast<std::size_t>(values.totalPasswords));
        return;
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, row.message);
    EXPECT_EQ(boxes.shown[0].title, "Quorlix");
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::Ok);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.rowAdded(0), "earlier row");
    EXPECT_FALSE(surface.called("setExecuteEnabled:0"));
    EXPECT_FALSE(surface.called("enableOff"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExecuteRefusal,
    ::testing::Values(
        RefusalRow{"MinAboveMaxEvenWithNoAmount",
                   [](EngineFixture& f) {
                       f.values.minLength = 8;
                       f.values.maxLength = 4;
                       f.values.totalPasswords = 0;
                   },
                   "Maximum 'Total Characters' number must be greater than minimum number"},
        RefusalRow{"NoAmountBeforeRange", [](EngineFixture& f) { f.values.totalPasswords = 0; },
                   " Must request a password amount/number of characters"},
        RefusalRow{"NegativeAmount", [](EngineFixture& f) { f.values.totalPasswords = -3; },
                   " Must request a password amount/number of characters"},
        RefusalRow{"NoCharacters",
                   [](EngineFixture& f) {
                       f.values.minLength = 0;
                       f.values.maxLength = 0;
                   },
                   " Must request a password amount/number of characters"},
        RefusalRow{"AmountAboveTenMillion", [](EngineFixture& f) { f.values.totalPasswords = 10'000'001; },
                   " Password amount must be between 1 and 10,000,000 (10 Million)"},
        RefusalRow{"MaxSixtyOne", [](EngineFixture& f) { f.values.maxLength = 61; },
                   " Amount of characters must be between 1 (min) and 60 (max)"},
        RefusalRow{"MinZero", [](EngineFixture& f) { f.values.minLength = 0; },
                   " Amount of characters must be between 1 (min) and 60 (max)"},
        RefusalRow{"StrongNeedsSixEvenWithLongMax",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.values.minLength = 5;
                       f.values.maxLength = 12;
                       f.onlyAvailable("0123456789"); // a pair refusal would follow
                   },
                   "A minimum of 6 characters is required when the 'Strong Passwords' option is selected. Please "
                   "type in 6 or greater in the 'Total Characters' Min/Max fields or disable the Strong Passwords "
                   "requirement."},
        RefusalRow{"HyphenMarkBeyondLength", [](EngineFixture& f) { f.inserts.hyphen[60] = 1; },
                   " Hyphen requested beyond the number of characters requested."},
        RefusalRow{"BlankMarkBeyondLength", [](EngineFixture& f) { f.inserts.blank[60] = 1; },
                   " Blank Spaces requested beyond the number of characters requested."},
        RefusalRow{"HyphenBeforeBlankAtSameIndex",
                   [](EngineFixture& f) {
                       f.inserts.hyphen[60] = 1;
                       f.inserts.blank[60] = 1;
                   },
                   " Hyphen requested beyond the number of characters requested."},
        RefusalRow{"SeparatorBeforeStrongPair",
                   [](EngineFixture& f) {
                       f.inserts.blank[60] = 1;
                       f.checks.strong = true;
                       f.onlyAvailable("0123456789");
                   },
                   " Blank Spaces requested beyond the number of characters requested."},
        RefusalRow{"StrongNumbersAndUppercaseOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
                   },
                   "Lowercase Letters and Special Symbols" + kStrongTail},
        RefusalRow{"StrongSpecialOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("!#");
                   },
                   "Numbers and Lowercase Letters" + kStrongTail},
        RefusalRow{"StrongLowercaseOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("abc");
                   },
                   "Numbers and Uppercase Letters" + kStrongTail},
        RefusalRow{"StrongLettersOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("abcXYZ");
                   },
                   "Numbers and Special Symbols" + kStrongTail},
        RefusalRow{"StrongNumbersOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("0123");
                   },
                   "Lowercase Letters and Uppercase Letters" + kStrongTail},
        RefusalRow{"StrongNumbersAndLowercaseOnly",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("01ab");
                   },
                   "Uppercase Letters and Special Symbols" + kStrongTail},
        RefusalRow{"StrongWithOneClassMissingRuns",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("01abAB");
                   },
                   ""},
        RefusalRow{"StrongPairBeforeRule",
                   [](EngineFixture& f) {
                       f.checks.strong = true;
                       f.onlyAvailable("0123");
                       f.rules.rule[1] = 4;
                   },
                   "Lowercase Letters and Uppercase Letters" + kStrongTail},
        RefusalRow{"RuleNumber",
                   [](EngineFixture& f) {
                       f.onlyAvailable("abc");
                       f.rules.rule[2] = 1;
                   },
                   "Position 2, from the 'Password Rules' menu requires only numbers. However, no numbers have been "
                   "selected from the 'Characters' menu. Either make atleast one number available or do not require "
                   "numbers as a rule."},
        RefusalRow{"RuleLowercase",
                   [](EngineFixture& f) {
                       f.onlyAvailable("012");
                       f.rules.rule[8] = 2;
                   },
                   "Position 8, from the 'Password Rules' menu requires only lowercase letters. However, no "
                   "lowercase letters have been selected from the 'Characters' menu. Either make atleast one "
                   "lowercase letter available or do not require lowercase letters as a rule."},
        RefusalRow{"RuleUppercaseAtMax",
                   [](EngineFixture& f) {
                       f.values.minLength = 5;
                       f.values.maxLength = 7;
                       f.onlyAvailable("012abc");
                       f.rules.rule[7] = 3;
                   },
                   "Position 7, from the 'Password Rules' menu requires only uppercase letters. However, no "
                   "uppercase letters have been selected from the 'Characters' menu. Either make atleast one "
                   "uppercase letter available or do not require uppercase letters as a rule."},
        RefusalRow{"RuleBeyondMaxIsNotChecked",
                   [](EngineFixture& f) {
                       f.values.minLength = 5;
                       f.values.maxLength = 6;
                       f.onlyAvailable("012abc");
                       f.rules.rule[7] = 3;
                   },
                   ""},
        RefusalRow{"RuleSpecial",
                   [](EngineFixture& f) { f.rules.rule[1] = 4; },
                   "Position 1, from the 'Password Rules' menu requires only special symbols. However, no special "
                   "symbols have been selected from the 'Characters' menu. Either make atleast one special symbol "
                   "available or do not require special symbols as a rule."},
        RefusalRow{"FirstFailingPositionReported",
                   [](EngineFixture& f) {
                       f.onlyAvailable("abc");
                       f.rules.rule[3] = 1;
                       f.rules.rule[5] = 4;
                   },
                   "Position 3, from the 'Password Rules' menu requires only numbers. However, no numbers have been "
                   "selected from the 'Characters' menu. Either make atleast one number available or do not require "
                   "numbers as a rule."},
        RefusalRow{"SpecialClassFromColonToAtCounts",
                   [](EngineFixture& f) {
                       f.onlyAvailable(":;<=>?@");
                       f.rules.rule[1] = 4;
                   },
                   ""}),
    [](const ::testing::TestParamInfo<RefusalRow>& row) { return std::string(row.param.name); });

class ExecuteTest : public EngineFixture {};

// A refusal still leaves the steps before the checks done: readouts, sort mode, progress.
TEST_F(ExecuteTest, RefusalKeepsTheReadoutSteps)
{
    checks.counter = false;
    checks.sortDisplay = false;
    values.minLength = 9;
    values.maxLength = 3;
    execute();
    const CallLog expected{"setCounter:Counter Off", "setHeading: Generated Passwords - Unsorted", "setProgress:0",
                           "message:Maximum 'Total Characters' number must be greater than minimum number"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(list.sorted());
}

// The whole sequence of a small run into the display, in order.
TEST_F(ExecuteTest, SingleRunCallsInOrder)
{
    values.totalPasswords = 3;
    execute();
    const CallLog expected{"setHeading: Generated Passwords - Sorted",
                           "setProgress:0",
                           "setStopEnabled:1",
                           "setExecuteEnabled:0",
                           "enableOff",
                           "repaintList",
                           "setCountdownTimerEnabled:1",
                           "showCountdown",
                           "setCountdown:Calculating...",
                           "setStatus:Processing.....Please Wait",
                           "setCounter:1 of 3",
                           "setCounter:2 of 3",
                           "setCounter:3 of 3",
                           "setStatus:Complete",
                           "setExecuteEnabled:1",
                           "setStopEnabled:0",
                           "enableOn",
                           "setCountdownTimerEnabled:0",
                           "setCountdown:0:00:00",
                           "setProgress:100",
                           "enableOn",
                           "selectFirstRow",
                           "setExecuteEnabled:1",
                           "setStopEnabled:0",
                           "setMethodOptionsEnabled:1"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(list.count(), 3u);
    EXPECT_TRUE(list.sorted());
    EXPECT_EQ(list.rowColour(0), 11);
    EXPECT_EQ(list.rowColour(1), 15);
    EXPECT_EQ(list.rowColour(2), 11);
    EXPECT_EQ(list.rowColour(3), -1);
}

TEST_F(ExecuteTest, WholeWordCheckDeactivatesBothSymbolsOnceAndRuns)
{
    for (const int code : {39, 124}) {
        SCOPED_TRACE(code);
        pool = CharacterPool::defaultPool();
        pool.setAvailable(code, true);
        pool.recount();
        boxes.shown.clear();
        log.clear();
        checks.dictionary = true;
        checks.dictionaryMode = DictionaryMode::Whole;
        values.totalPasswords = 4;
        execute();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "The following Special Symbols have been deactivated:\r\n\r\n'\r\n|\r\n\r\nThese "
                                       "symbols cause errors when the Whole Word Dictionary check is activated.");
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
        EXPECT_FALSE(pool.isAvailable(39));
        EXPECT_FALSE(pool.isAvailable(124));
        EXPECT_EQ(pool.availableCount(), 62);
        EXPECT_TRUE(surface.called("refreshReadout"));
        EXPECT_EQ(list.count(), 4u);
    }
}

TEST_F(ExecuteTest, WholeWordSymbolsUntouchedInHybridModeOrWithCheckOff)
{
    pool.setAvailable('\'', true);
    pool.recount();
    checks.dictionary = true;
    checks.dictionaryMode = DictionaryMode::Hybrid;
    execute();
    checks.dictionary = false;
    checks.dictionaryMode = DictionaryMode::Whole;
    execute();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(pool.isAvailable('\''));
}

// Deactivation and pruning are done before a later refusal and stay done.
TEST_F(ExecuteTest, LaterRefusalKeepsDeactivationAndPruning)
{
    pool.setAvailable('|', true);
    checks.dictionary = true;
    values.minLength = 4;
    values.maxLength = 10;
    inserts.hyphen[6] = 1;
    rules.rule[2] = 4;
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text.substr(0, 12), "Position 2, ");
    EXPECT_FALSE(pool.isAvailable('|'));
    EXPECT_EQ(inserts.hyphen[6], 0);
}

TEST_F(ExecuteTest, PruningClearsMarksFromMinimumToFiftyNine)
{
    values.minLength = 4;
    values.maxLength = 10;
    values.totalPasswords = 2;
    for (int i = 1; i <= 59; ++i) {
        inserts.hyphen[i] = 1;
        inserts.blank[i] = 1;
    }
    inserts.hyphen[4] = 1;
    execute();
    EXPECT_TRUE(boxes.shown.empty());
    for (int i = 1; i <= 59; ++i) {
        EXPECT_EQ(inserts.hyphen[i], i < 4 ? 1 : 0) << i;
        EXPECT_EQ(inserts.blank[i], i < 4 ? 1 : 0) << i;
    }
}

TEST_F(ExecuteTest, MultiFileConfirmationText)
{
    multiFile.filePreface = "pw";
    multiFile.totalFiles = 3;
    multiFile.fileType = "csv";
    multiFile.directory = "/home/u/lists/";
    const std::string expected =
        "Multifile saves are active. If you wish to deactivate this mode, you must remove the check in the MultiFile "
        "display (from the FILE menu). Select 'Yes' to execute Multi-File settings. Select 'NO' to bypass MultiFile "
        "settings. Select 'Cancel' to Exit this execution. If executed in Multi-File mode then 3 files will be "
        "created starting with: \r\n\r\npw1.csv\r\n\r\nCompleting with: \r\n\r\npw3.csv\r\n\r\nThey will be saved in "
        "the following directory/path: \r\n\r\n/home/u/lists/\r\n\r\n";
    EXPECT_EQ(multiFileConfirmationText(multiFile, GenerationMethod::RandomCharacters),
              expected + "This execution will be using the 'Random Characters' method, and password criteria is "
                         "based on the current settings for this method.");
    EXPECT_EQ(multiFileConfirmationText(multiFile, GenerationMethod::RandomWords),
              expected + "This execution will be using the 'Random Words' method, and password criteria is based on "
                         "the current settings for this method.");
}

TEST_F(ExecuteTest, MultiFileCancelEndsWithoutRun)
{
    multiFile.active = 1;
    multiFile.totalFiles = 2;
    list.add("kept");
    boxes.answers = {Answer::Cancel};
    execute();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(log.back().substr(0, 35), "message:Multifile saves are active.");
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(multiFile.active, 1);
}

TEST_F(ExecuteTest, MultiFileNoRunsIntoDisplayAndStaysOff)
{
    multiFile.active = 1;
    multiFile.totalFiles = 2;
    multiFile.fileType = "txt";
    values.totalPasswords = 6;
    boxes.answers = {Answer::No};
    execute();
    EXPECT_EQ(multiFile.active, 0);
    EXPECT_EQ(list.count(), 6u);
    EXPECT_TRUE(surface.called("selectFirstRow"));
}

struct FakeWords : WordsGenerators {
    std::vector<std::string> calls;
    void passwordGenWords(const RunRequest&, RunEnvironment&) override { calls.push_back("single"); }
    void saveMultiFileWords(const RunRequest&, RunEnvironment&) override { calls.push_back("multi"); }
};

// Random Words skips every character check and goes to its own generator.
TEST_F(ExecuteTest, RandomWordsDispatchSkipsCharacterChecks)
{
    FakeWords fake;
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
