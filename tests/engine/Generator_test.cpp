#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "EngineFixture.h"
#include "engine/CharacterDraw.h"

namespace quorlix::testing {
namespace {

std::string allExcept(std::string_view missing)
{
    std::string s;
    for (int c = kFirstCode; c <= kLastCode; ++c)
        if (missing.find(static_cast<char>(c)) == std::string_view::npos)
            s.push_back(static_cast<char>(c));
    return s;
}

// The draws that give these digits and letters at positions whose rule names their class.
std::vector<double> charDraws(std::string_view chars)
{
    std::vector<double> draws;
    for (const char c : chars)
        draws.push_back(c <= '9' ? pick(c, 10, 48) : c >= 'a' ? pick(c, 26, 97) : pick(c, 26, 65));
    return draws;
}

TEST(ClassWeights, RoundHalfUpFromTheAvailableCount)
{
    const std::vector<std::pair<std::string, ClassWeights>> rows{
        {"0123456789abcdefghijklmnopqrstuvwxyz", {28, 72, 0, 0}}, {allExcept("012346789"), {1, 31, 31, 38}},
        {"1abcdefg", {13, 88, 0, 0}}, {allExcept("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"), {16, 42, 42, 0}}};
    for (const auto& [available, expected] : rows) {
        CharacterPool pool;
        for (const char c : available)
            pool.setAvailable(static_cast<unsigned char>(c), true);
        pool.recount();
        EXPECT_EQ(classWeights(pool), expected) << available;
    }
}

TEST(StrongCheck, CountsHyphenAsSpecialAndBlankAsNothing)
{
    const std::vector<std::pair<std::string, bool>> rows{
        {"ab-c", false}, {"aB-c", true}, {"ab c1", false}, {"", false}, {"AB 12", false}, {"a-1", true}};
    for (const auto& [password, strong] : rows)
        EXPECT_EQ(hasThreeClasses(password), strong) << '"' << password << '"';
}

class GeneratorTest : public EngineFixture {
protected:
    // Runs one password from the scripted draws (the length draw is added first).
    std::string runOne(int length, std::vector<double> draws)
    {
        values.totalPasswords = 1;
        values.minLength = values.maxLength = static_cast<std::int16_t>(length);
        draws.insert(draws.begin(), 0.0);
        script(draws);
        execute();
        return list.count() == 1 ? std::string(list.rowAdded(0)) : "<" + std::to_string(list.count()) + " rows>";
    }
    std::size_t drawsTaken() { return static_cast<ScriptedRandom&>(*random).drawsTaken(); }
};

// At a rule-0 position of the 85-character pool (s = 101) the class draw decides
// the class at its boundaries.
TEST_F(GeneratorTest, ClassDrawBoundaries)
{
    const std::vector<std::pair<int, char>> cases{{1, '5'}, {2, 'a'}, {32, 'a'}, {33, 'A'}, {63, 'A'}, {64, '!'},
                                                  {101, '!'}};
    onlyAvailable(allExcept("012346789"));
    for (const auto& [c, expected] : cases)
        EXPECT_EQ(runOne(1, {pick(c, 101, 1), expected == '5' ? pick('5', 10, 48) : 0.0, 0.0}),
                  std::string(1, expected)) << c;
}

// Each of the four special ranges is chosen by its span of g and drawn over its
// own width; an unavailable symbol draws the range again, then the code.
TEST_F(GeneratorTest, SpecialSymbolRanges)
{
    const std::vector<std::tuple<int, double, char>> cases{{63, 0.0, '!'}, {77, 0.999, '/'}, {78, 0.0, ':'},
                                                           {84, 0.999, '@'}, {85, 0.0, '['}, {90, 0.999, '`'},
                                                           {91, 0.0, '{'}, {94, 0.999, '~'}};
    rules.rule[1] = 4;
    onlyAvailable("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
    for (const auto& [g, codeR, expected] : cases)
        EXPECT_EQ(runOne(1, {pick(g, 32, 63), codeR}), std::string(1, expected)) << g;
    onlyAvailable("~");
    EXPECT_EQ(runOne(1, {pick(63, 32, 63), 0.0, pick(94, 32, 63), 0.999, 0.5}), "~");
    EXPECT_EQ(drawsTaken(), 5u);
}

// A mark at index i puts the hyphen, then the blank, after character i.
TEST_F(GeneratorTest, SeparatorMarksFollowTheirCharacter)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"24", "24", "ab- cd- ef"}, {"", "3", "abc def"}, {"0", "", "-abcdef"}, {"12345", "", "a-b-c-d-e-f"}};
    for (int p = 1; p <= 6; ++p)
        rules.rule[p] = 2;
    for (const auto& [hyphens, blanks, expected] : cases) {
        inserts = InsertSettings();
        for (const char i : hyphens)
            inserts.hyphen[i - '0'] = 1;
        for (const char i : blanks)
            inserts.blank[i - '0'] = 1;
        EXPECT_EQ(runOne(6, charDraws("abcdef")), expected);
    }
}

// Rejected characters are drawn again at the same position. Codes are compared
// across class borders (9 then a colon, @ then A), case-sensitively.
TEST_F(GeneratorTest, SideBySideAndSequentialChecks)
{
    // rules at positions 1 and 2, side by side, sequential, draws, password
    using Row = std::tuple<int, int, bool, bool, std::vector<double>, std::string>;
    const double colon = pick(':', 7, 58), range58 = pick(78, 32, 63);
    const std::vector<Row> cases{
        {2, 2, true, false, charDraws("aab"), "ab"},  {2, 3, true, false, charDraws("aA"), "aA"},
        {2, 2, false, true, charDraws("abc"), "ac"},  {2, 2, false, true, charDraws("bad"), "bd"},
        {1, 1, true, true, charDraws("7785"), "75"},  {2, 3, false, true, charDraws("aA"), "aA"},
        {1, 4, false, true, {pick('9', 10, 48), range58, colon, range58, pick(';', 7, 58)}, "9;"},
        {4, 3, false, true, {pick(84, 32, 63), pick('@', 7, 58), pick('A', 26, 65), pick('B', 26, 65)}, "@B"}};
    onlyAvailable(allExcept(""));
    for (const auto& [rule1, rule2, sideBySide, sequential, draws, expected] : cases) {
        rules.rule[1] = static_cast<std::int16_t>(rule1);
        rules.rule[2] = static_cast<std::int16_t>(rule2);
        checks.sideBySide = sideBySide;
        checks.sequential = sequential;
        EXPECT_EQ(runOne(2, draws), expected);
        EXPECT_EQ(drawsTaken(), draws.size() + 1) << expected;
    }
}

// Every length from min to max occurs; a strong run keeps only passwords
// whose drawn characters are of three classes (a hyphen separator adds none).
TEST_F(GeneratorTest, LengthsAndStrongPasswords)
{
    values.totalPasswords = 500;
    values.minLength = 6;
    values.maxLength = 9;
    checks.strong = true;
    inserts.hyphen[3] = 1;
    surface.logCounter = false;
    execute();
    std::vector<int> seen(12, 0);
    for (const auto& row : rows()) {
        ++seen.at(row.size() - 1);
        ASSERT_EQ(row[3], '-');
        EXPECT_TRUE(hasThreeClasses(row.substr(0, 3) + row.substr(4))) << row;
    }
    EXPECT_EQ(std::count(seen.begin() + 6, seen.begin() + 10, 0), 0);
    EXPECT_EQ(std::accumulate(seen.begin() + 6, seen.begin() + 10, 0), 500);
}

// Switched on mid-run the check also sees the rows accepted while it was off
// (a whole run with the check on is covered by the command-line tests).
TEST_F(GeneratorTest, DuplicationCheckSwitchedOnMidRun)
{
    onlyAvailable("01");
    values.totalPasswords = 6;
    values.minLength = values.maxLength = 3;
    surface.onProcessEvents = [this] { checks.duplication = checks.duplication || list.count() == 2; };
    for (int round = 0; round < 20; ++round) {
        checks.duplication = false;
        execute();
        const auto all = rows();
        ASSERT_EQ(all.size(), 6u);
        for (std::size_t i = 2; i < all.size(); ++i)
            ASSERT_EQ(std::count(all.begin(), all.end(), all[i]), 1) << all[i];
    }
}

// A position where no character of its class can follow the one before it
// starts the password again with a new length: with only the digit 5, a 5 at
// position 1 leaves nothing for a number rule at position 2.
TEST_F(GeneratorTest, DeadEndStartsThePasswordAgain)
{
    using Row = std::tuple<std::string, bool, std::vector<double>, std::string>; // pool, sequential, draws, password
    const double number = pick(1, 100, 1), upper = pick(100, 100, 1), five = pick('5', 10, 48), shortest = 0.0,
                 longest = 0.999;
    const std::vector<Row> cases{
        // 5 then 5: nothing else for position 2; then A 5, and at position 3 a 5 drawn again after the 5.
        {"5A", false, {shortest, number, five, five, longest, upper, pick('A', 26, 65), five, number, five, upper,
                       pick('A', 26, 65)}, "A5A"},
        // After a 5 the sequential check also rejects 4 and 6: a dead end at its first rejection.
        {"456A", true, {shortest, number, five, pick('4', 10, 48), shortest, upper, pick('A', 26, 65),
                        pick('4', 10, 48)}, "A4"}};
    values.totalPasswords = 1;
    values.minLength = 2;
    values.maxLength = 3;
    rules.rule[2] = 1;
    checks.sideBySide = true;
    for (const auto& [available, sequential, draws, expected] : cases) {
        onlyAvailable(available);
        checks.sequential = sequential;
        script(draws);
        fuse(100'000);
        surface.processEventsCount = 0;
        execute();
        EXPECT_EQ(rows(), std::vector<std::string>{expected});
        EXPECT_EQ(drawsTaken(), draws.size()) << expected;
    }
}

// Checks that reject every candidate (here switched on once rows were made)
// end the run after a long stretch of rejections, as the error end does: the
// rows made stay, and the message says why.
TEST_F(GeneratorTest, EndlessRejectionsEndTheRunKeepingItsRows)
{
    const std::vector<std::pair<const char*, bool CheckOptions::*>> cases{{"side-by-side", &CheckOptions::sideBySide},
                                                                          {"duplication", &CheckOptions::duplication}};
    onlyAvailable("0");
    values.totalPasswords = 10'000'000;
    values.minLength = values.maxLength = 2;
    checks.counter = false;
    sliced = true;
    script({0.05}); // every draw gives the length 2, the Number class and the digit 0
    for (const auto& [name, check] : cases) {
        SCOPED_TRACE(name);
        checks.duplication = checks.sideBySide = false;
        log.clear();
        boxes.shown.clear();
        surface.processEventsCount = 0;
        std::size_t made = 0;
        surface.onProcessEvents = [this, check = check, &made] {
            if (made == 0 && list.count() > 0)
                checks.*check = true, made = list.count();
            if (surface.processEventsCount == 2400)
                state.stopRequested = 1; // the fuse, after a minute
        };
        execute();
        EXPECT_GT(made, 0u);
        EXPECT_EQ(list.count(), made);
        EXPECT_EQ(list.rowAdded(made - 1), "00");
        ASSERT_EQ(boxes.shown.size(), 1u);
        const std::string message =
            "Error: Cannot continue. Every password drawn for a long stretch was rejected by the checks that are "
            "switched on, so these settings cannot make the passwords requested. The passwords made so far are kept. "
            "Make more characters, words or lengths available, or switch off some of the checks.";
        EXPECT_EQ(boxes.shown[0].text, message);
        EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
        EXPECT_EQ(callsAfter("message:" + message),
                  "enableOn|setCountdownTimerEnabled:0|setCountdown:0:00:00|setStopEnabled:0|setExecuteEnabled:1|"
                  "setHeading:Generated Passwords|setStatus:Stopped by User|enableOn|selectFirstRow|"
                  "setExecuteEnabled:1|setStopEnabled:0|setMethodOptionsEnabled:1");
    }
}

// A pool emptied of the rule's class during a run (the Characters window is
// modeless) is noticed at the next password; 32,000 failed attempts end the run.
TEST_F(GeneratorTest, PoolEmptiedDuringRunEndsAfterTheAttemptLimit)
{
    values.totalPasswords = 5;
    values.minLength = values.maxLength = 1;
    rules.rule[1] = 1;
    checks.duplication = false;
    surface.onProcessEvents = [this] {
        if (list.count() == 2)
            for (int c = '0'; c <= '9'; ++c)
                pool.setAvailable(c, false);
    };
    execute();
    EXPECT_EQ(list.count(), 2u);
    const std::string message =
        "message:Error: Cannot continue. Please check that the characters you have selected to make available is "
        "appropriate for the password rules which have been applied. This often occurs when you make all characters "
        "of a certain type unavailable but you require that character type to be used at a password position within "
        "the password rules. This is a mismatch. Either allow at least one character of that type to be used or do "
        "not require that character type as a password rule.";
    EXPECT_EQ(callsAfter(message),
              "enableOn|setCountdownTimerEnabled:0|setCountdown:0:00:00|setStopEnabled:0|setExecuteEnabled:1|"
              "setHeading:Generated Passwords|setStatus:Stopped by User|enableOn|selectFirstRow|setExecuteEnabled:1|"
              "setStopEnabled:0|setMethodOptionsEnabled:1");
    EXPECT_TRUE(list.updating());
}

// From 5,000 passwords on, rows are added with updating off and placed at the end.
TEST_F(GeneratorTest, LargeRunsAddRowsWithUpdatingOff)
{
    values.minLength = values.maxLength = 8;
    checks.duplication = false;
    surface.logCounter = false;
    for (const std::int32_t total : {4999, 5000}) {
        log.clear();
        values.totalPasswords = total;
        bool sawOff = false;
        surface.onProcessEvents = [&] { sawOff = sawOff || !list.updating(); };
        execute();
        EXPECT_EQ(sawOff, total == 5000);
        EXPECT_EQ(surface.called("setStatus:Updating List....Please Wait"), total == 5000);
        EXPECT_EQ(surface.status, "Complete");
        EXPECT_TRUE(list.updating());
        EXPECT_EQ(list.rowColour(static_cast<std::size_t>(total) - 1), total % 2 == 1 ? 11 : 15);
    }
}

} // namespace
} // namespace quorlix::testing
