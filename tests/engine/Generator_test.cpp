#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFixture.h"
#include "engine/CharacterDraw.h"

namespace quorlix::testing {
namespace {

// ---- class weights ---------------------------------------------------------

struct WeightRow {
    const char* name;
    std::string available;
    ClassWeights expected;
};

std::string allExcept(std::string_view missing)
{
    std::string s;
    for (int c = kFirstCode; c <= kLastCode; ++c)
        if (missing.find(static_cast<char>(c)) == std::string_view::npos)
            s.push_back(static_cast<char>(c));
    return s;
}

class WeightsTest : public ::testing::TestWithParam<WeightRow> {};

TEST_P(WeightsTest, RoundsHalfUpFromTheAvailableCount)
{
    CharacterPool pool;
    for (const char c : GetParam().available)
        pool.setAvailable(static_cast<unsigned char>(c), true);
    pool.recount();
    EXPECT_EQ(classWeights(pool), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WeightsTest,
    ::testing::Values(WeightRow{"NumbersAndLowercase", "0123456789abcdefghijklmnopqrstuvwxyz", {28, 72, 0, 0}},
                      WeightRow{"OneNumberAndAllOthers", allExcept("012346789"), {1, 31, 31, 38}},
                      WeightRow{"UppercaseOnly", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", {0, 0, 100, 0}},
                      WeightRow{"HalvesRoundUp", "1abcdefg", {13, 88, 0, 0}},
                      WeightRow{"LettersAndDigits", allExcept("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"), {16, 42, 42, 0}},
                      WeightRow{"Empty", "", {0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<WeightRow>& row) { return std::string(row.param.name); });

TEST(WeightsStaleCount, ZeroCountGivesNoWeights)
{
    CharacterPool pool;
    pool.setAvailable('a', true); // not recounted: the count is still 0
    EXPECT_EQ(classWeights(pool), (ClassWeights{0, 0, 0, 0}));
}

// ---- strong passwords --------------------------------------------------------

TEST(StrongCheck, CountsHyphenAsSpecialAndBlankAsNothing)
{
    const std::vector<std::pair<std::string, bool>> rows{
        {"ab-c", false}, {"aB-c", true}, {"ab c1", false}, {"aB1", true}, {"", false},
        {"A1!", true},   {"AB 12", false}, {"a-1", true}, {"zz~~", false}};
    for (const auto& [password, strong] : rows)
        EXPECT_EQ(hasThreeClasses(password), strong) << '"' << password << '"';
}

// ---- draws through a whole run -----------------------------------------------

// One password of length 1 at a rule-0 position of the 85-character pool
// (s = 101): the class draw c decides the class at its boundaries.
struct ClassDrawRow {
    int c;
    char expected;
};

class GeneratorTest : public EngineFixture {
protected:
    void singlePassword(int length)
    {
        values.totalPasswords = 1;
        values.minLength = static_cast<std::int16_t>(length);
        values.maxLength = static_cast<std::int16_t>(length);
    }
};

TEST_F(GeneratorTest, ClassDrawBoundaries)
{
    const std::vector<ClassDrawRow> cases{{1, '5'}, {2, 'a'}, {32, 'a'}, {33, 'A'}, {63, 'A'}, {64, '!'}, {101, '!'}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.c);
        onlyAvailable(allExcept("012346789"));
        singlePassword(1);
        // length, class, then the class's own draw (special: range, then code)
        std::vector<double> draws{0.0, pick(row.c, 101, 1)};
        if (row.expected == '5')
            draws.push_back(pick('5', 10, 48));
        else if (row.expected == '!')
            draws.insert(draws.end(), {0.0, 0.0});
        else
            draws.push_back(0.0);
        script(draws);
        execute();
        ASSERT_EQ(rows(), std::vector<std::string>{std::string(1, row.expected)});
    }
}

struct SpecialRow {
    int g;
    double codeR;
    char expected;
};

// Each of the four special ranges is chosen by its span of g and drawn over its own width.
TEST_F(GeneratorTest, SpecialSymbolRanges)
{
    const std::vector<SpecialRow> cases{{63, 0.0, '!'},   {77, 0.999, '/'}, {78, 0.0, ':'}, {84, 0.999, '@'},
                                       {85, 0.0, '['},   {90, 0.999, '`'}, {91, 0.0, '{'}, {94, 0.999, '~'}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.g);
        onlyAvailable("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
        rules.rule[1] = 4;
        singlePassword(1);
        script({0.0, pick(row.g, 32, 63), row.codeR});
        execute();
        ASSERT_EQ(rows(), std::vector<std::string>{std::string(1, row.expected)});
    }
}

// An unavailable special symbol draws the range again, then the code.
TEST_F(GeneratorTest, UnavailableSpecialRedrawsRangeAndCode)
{
    onlyAvailable("~");
    rules.rule[1] = 4;
    singlePassword(1);
    script({0.0, pick(63, 32, 63), 0.0, pick(94, 32, 63), 0.999, 0.5});
    execute();
    EXPECT_EQ(rows(), std::vector<std::string>{"~"});
    EXPECT_EQ(static_cast<ScriptedRandom&>(*random).drawsTaken(), 5u);
}

struct SeparatorRow {
    const char* name;
    std::vector<int> hyphens;
    std::vector<int> blanks;
    std::string expected;
};

class SeparatorTest : public EngineFixture, public ::testing::WithParamInterface<SeparatorRow> {};

TEST_P(SeparatorTest, MarksPutSeparatorsAfterThatCharacter)
{
    values.totalPasswords = 1;
    values.minLength = 6;
    values.maxLength = 6;
    for (int p = 1; p <= 6; ++p)
        rules.rule[p] = 2;
    for (const int i : GetParam().hyphens)
        inserts.hyphen[i] = 1;
    for (const int i : GetParam().blanks)
        inserts.blank[i] = 1;
    std::vector<double> draws{0.0};
    for (const char c : std::string("abcdef"))
        draws.push_back(pick(c, 26, 97));
    script(draws);
    execute();
    EXPECT_EQ(rows(), std::vector<std::string>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(Cases, SeparatorTest,
                         ::testing::Values(SeparatorRow{"None", {}, {}, "abcdef"},
                                           SeparatorRow{"HyphensAfterTwoAndFour", {2, 4}, {}, "ab-cd-ef"},
                                           SeparatorRow{"HyphenThenBlank", {2, 4}, {2, 4}, "ab- cd- ef"},
                                           SeparatorRow{"BlankOnly", {}, {3}, "abc def"},
                                           SeparatorRow{"IndexZeroLeads", {0}, {}, "-abcdef"},
                                           SeparatorRow{"EveryInnerPosition", {1, 2, 3, 4, 5}, {}, "a-b-c-d-e-f"}),
                         [](const ::testing::TestParamInfo<SeparatorRow>& row) { return std::string(row.param.name); });

struct PositionRow {
    const char* name;
    int rule1;
    int rule2;
    bool sideBySide;
    bool sequential;
    std::string drawn; // characters in draw order (rejected ones included)
    std::string expected;
};

double charDraw(char c)
{
    if (c >= '0' && c <= '9')
        return pick(c, 10, 48);
    if (c >= 'a' && c <= 'z')
        return pick(c, 26, 97);
    return pick(c, 26, 65);
}

class PositionCheckTest : public EngineFixture, public ::testing::WithParamInterface<PositionRow> {};

// Rejected characters are drawn again at the same position; the rest stays.
TEST_P(PositionCheckTest, RejectsNeighbours)
{
    const PositionRow& row = GetParam();
    values.totalPasswords = 1;
    values.minLength = 2;
    values.maxLength = 2;
    rules.rule[1] = static_cast<std::int16_t>(row.rule1);
    rules.rule[2] = static_cast<std::int16_t>(row.rule2);
    checks.sideBySide = row.sideBySide;
    checks.sequential = row.sequential;
    std::vector<double> draws{0.0};
    for (const char c : row.drawn)
        draws.push_back(charDraw(c));
    script(draws);
    execute();
    EXPECT_EQ(rows(), std::vector<std::string>{row.expected});
    EXPECT_EQ(static_cast<ScriptedRandom&>(*random).drawsTaken(), draws.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PositionCheckTest,
    ::testing::Values(PositionRow{"SideBySideRejectsEqual", 2, 2, true, false, "aab", "ab"},
                      PositionRow{"SideBySideIsCaseSensitive", 2, 3, true, false, "aA", "aA"},
                      PositionRow{"SideBySideOffKeepsEqual", 2, 2, false, false, "aa", "aa"},
                      PositionRow{"SequentialRejectsUp", 2, 2, false, true, "abc", "ac"},
                      PositionRow{"SequentialRejectsDown", 2, 2, false, true, "bad", "bd"},
                      PositionRow{"SequentialDigits", 1, 1, false, true, "3425", "35"},
                      PositionRow{"SequentialKeepsLetterAndCapital", 2, 3, false, true, "aA", "aA"},
                      PositionRow{"BothChecks", 1, 1, true, true, "7785", "75"}),
    [](const ::testing::TestParamInfo<PositionRow>& row) { return std::string(row.param.name); });

// Codes are compared across class borders: 9 then a colon, and @ then A.
TEST_F(GeneratorTest, SequentialCrossesClassBorders)
{
    values.totalPasswords = 1;
    values.minLength = 2;
    values.maxLength = 2;
    checks.sequential = true;
    onlyAvailable("9:;@AB");
    rules.rule[1] = 1;
    rules.rule[2] = 4;
    // '9', then ':' (rejected: range g 78..84, code 58), then ';'
    script({0.0, pick('9', 10, 48), pick(78, 32, 63), pick(':', 7, 58), pick(78, 32, 63), pick(';', 7, 58)});
    execute();
    EXPECT_EQ(rows(), std::vector<std::string>{"9;"});

    rules.rule[1] = 4;
    rules.rule[2] = 3;
    script({0.0, pick(84, 32, 63), pick('@', 7, 58), pick('A', 26, 65), pick('B', 26, 65)});
    execute();
    EXPECT_EQ(rows(), std::vector<std::string>{"@B"});
}

TEST_F(GeneratorTest, LengthsCoverMinToMax)
{
    values.totalPasswords = 2000;
    values.minLength = 3;
    values.maxLength = 7;
    checks.duplication = false;
    surface.logCounter = false;
    execute();
    std::vector<int> seen(8, 0);
    for (const auto& row : rows())
        ++seen.at(row.size());
    for (int len = 3; len <= 7; ++len)
        EXPECT_GT(seen[len], 250) << len;
    EXPECT_EQ(seen[0] + seen[1] + seen[2], 0);
}

TEST_F(GeneratorTest, StrongRunOnlyAcceptsThreeClasses)
{
    values.totalPasswords = 300;
    values.minLength = 6;
    values.maxLength = 6;
    checks.strong = true;
    inserts.hyphen[3] = 1;
    surface.logCounter = false;
    execute();
    ASSERT_EQ(list.count(), 300u);
    for (const auto& row : rows()) {
        ASSERT_EQ(row[3], '-');
        EXPECT_TRUE(hasThreeClasses(row)) << row;
    }
}

TEST_F(GeneratorTest, DuplicationKeepsEveryPasswordDistinct)
{
    onlyAvailable("01");
    values.totalPasswords = 16;
    values.minLength = 4;
    values.maxLength = 4;
    execute();
    auto all = rows();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::unique(all.begin(), all.end()), all.end());
    EXPECT_EQ(all.size(), 16u); // every one of the 16 possible passwords
}

// Switched on during a run, the check compares with every earlier password,
// those accepted while it was off included.
TEST_F(GeneratorTest, DuplicationSwitchedOnMidRunSeesEarlierRows)
{
    for (int round = 0; round < 20; ++round) {
        onlyAvailable("01");
        values.totalPasswords = 6;
        values.minLength = 3;
        values.maxLength = 3;
        checks.duplication = false;
        surface.onProcessEvents = [this] {
            if (list.count() == 2)
                checks.duplication = true;
        };
        execute();
        const auto all = rows();
        ASSERT_EQ(all.size(), 6u);
        for (std::size_t i = 2; i < all.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                ASSERT_NE(all[i], all[j]) << i << " " << j;
    }
}

TEST_F(GeneratorTest, EmptyPoolEndsAfterTheAttemptLimit)
{
    onlyAvailable("");
    values.totalPasswords = 3;
    values.minLength = 2;
    values.maxLength = 2;
    script({0.0});
    execute();
    const std::string message =
        "Error: Cannot continue. Please check that the characters you have selected to make available is appropriate "
        "for the password rules which have been applied. This often occurs when you make all characters of a certain "
        "type unavailable but you require that character type to be used at a password position within the password "
        "rules. This is a mismatch. Either allow at least one character of that type to be used or do not require "
        "that character type as a password rule.";
    const auto at = std::find(log.begin(), log.end(), "message:" + message);
    ASSERT_NE(at, log.end());
    const CallLog tail(at + 1, log.end());
    const CallLog expected{"enableOn",
                           "setCountdownTimerEnabled:0",
                           "setCountdown:0:00:00",
                           "setStopEnabled:0",
                           "setExecuteEnabled:1",
                           "setHeading:Generated Passwords",
                           "setStatus:Stopped by User",
                           "enableOn",
                           "selectFirstRow",
                           "setExecuteEnabled:1",
                           "setStopEnabled:0",
                           "setMethodOptionsEnabled:1"};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_TRUE(list.updating());
}

// A pool emptied of the rule's class during a run (the Characters window is
// modeless) is noticed at the next password and ends with the error.
TEST_F(GeneratorTest, PoolChangedDuringRunIsReadAtTheNextPassword)
{
    values.totalPasswords = 5;
    values.minLength = 1;
    values.maxLength = 1;
    rules.rule[1] = 1;
    checks.duplication = false;
    surface.onProcessEvents = [this] {
        if (list.count() == 2)
            for (int c = '0'; c <= '9'; ++c)
                pool.setAvailable(c, false);
    };
    execute();
    EXPECT_EQ(list.count(), 2u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.substr(0, 24), "Error: Cannot continue. ");
}

struct UpdatingRow {
    std::int32_t total;
    bool quietDuringRun;
};

class UpdatingRuleTest : public EngineFixture, public ::testing::WithParamInterface<UpdatingRow> {};

TEST_P(UpdatingRuleTest, LargeRunsAddRowsWithUpdatingOff)
{
    values.totalPasswords = GetParam().total;
    values.minLength = 8;
    values.maxLength = 8;
    checks.duplication = false;
    surface.logCounter = false;
    bool sawOff = false;
    surface.onProcessEvents = [&] { sawOff = sawOff || !list.updating(); };
    execute();
    EXPECT_EQ(sawOff, GetParam().quietDuringRun);
    EXPECT_EQ(surface.called("setStatus:Updating List....Please Wait"), GetParam().quietDuringRun);
    const auto statuses = surface.callsStartingWith("setStatus:");
    EXPECT_EQ(statuses.back(), "setStatus:Complete");
    EXPECT_TRUE(list.updating());
    EXPECT_EQ(list.rowColour(static_cast<std::size_t>(GetParam().total) - 1), GetParam().total % 2 == 1 ? 11 : 15);
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdatingRuleTest, ::testing::Values(UpdatingRow{4999, false}, UpdatingRow{5000, true}));

} // namespace
} // namespace quorlix::testing
