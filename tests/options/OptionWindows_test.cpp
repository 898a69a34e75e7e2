#include "options/CharactersWindow.h"
#include "options/InsertsWindow.h"
#include "options/PasswordRulesWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quorlix {
namespace {

// ---- Characters window ----

TEST(CharactersWindowTest, CaptionsInPoolOrder)
{
    const auto& codes = poolOrderCodes();
    EXPECT_EQ(codes.front(), '0');
    EXPECT_EQ(codes[10], '!');
    EXPECT_EQ(codes[41], '~');
    EXPECT_EQ(codes[42], 'a');
    EXPECT_EQ(codes.back(), 'Z');
    EXPECT_EQ(CharactersWorkingCopy::boxCaption('A'), " A");
    EXPECT_EQ(CharactersWorkingCopy::boxCaption('&'), " &&");
    EXPECT_EQ(CharactersWorkingCopy::boxCaption('~'), " ~");
}

struct ButtonRow {
    const char* name;
    std::function<void(CharactersWorkingCopy&)> press;
    int checked;               // boxes checked afterwards, from the default pool (62)
    std::vector<int> offCodes; // must be unchecked
    std::vector<int> onCodes;  // must be checked
};

class CharactersButtonTest : public ::testing::TestWithParam<ButtonRow> {};

TEST_P(CharactersButtonTest, AcceptWritesTheBoxes)
{
    const auto& row = GetParam();
    CharacterPool pool = CharacterPool::defaultPool();
    CharactersWorkingCopy window(pool);
    row.press(window);
    EXPECT_EQ(window.checkedCount(), row.checked);
    // Until Accept the pool keeps its flags.
    EXPECT_EQ(pool, CharacterPool::defaultPool());
    const ReadoutText readout = window.accept(pool, RunValues{25, 1, 1});
    EXPECT_EQ(pool.availableCount(), row.checked);
    EXPECT_EQ(readout.charactersToUse, std::to_string(row.checked));
    for (int code : row.offCodes)
        EXPECT_FALSE(pool.isAvailable(code)) << static_cast<char>(code);
    for (int code : row.onCodes)
        EXPECT_TRUE(pool.isAvailable(code)) << static_cast<char>(code);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, CharactersButtonTest,
    ::testing::Values(ButtonRow{"All", [](auto& w) { w.checkAll(); }, 94, {}, {'!', '~', '0', 'a', 'Z'}},
                      ButtonRow{"Default",
                                [](auto& w) { w.checkDefault(); },
                                88,
                                {'l', 'j', 'i', 'O', '0', '1'},
                                {'!', 'k', 'o', '2', 'I', 'L'}},
                      ButtonRow{"NoNumbers", [](auto& w) { w.clearNumbers(); }, 52, {'0', '9'}, {'a', 'Z'}},
                      ButtonRow{"NoNumbersTwice",
                                [](auto& w) {
                                    w.clearNumbers();
                                    w.clearNumbers();
                                },
                                52,
                                {'5'},
                                {'q'}},
                      ButtonRow{"NoLowercase", [](auto& w) { w.clearLowercase(); }, 36, {'a', 'z'}, {'A', '0'}},
                      ButtonRow{"NoUppercase", [](auto& w) { w.clearUppercase(); }, 36, {'A', 'Z'}, {'a', '9'}},
                      // Class buttons never check anything.
                      ButtonRow{"NoSpecialOnDefault", [](auto& w) { w.clearSpecial(); }, 62, {'!', '&'}, {'a'}},
                      ButtonRow{"AllThenNoSpecial",
                                [](auto& w) {
                                    w.checkAll();
                                    w.clearSpecial();
                                },
                                62,
                                {'~', '@'},
                                {'0'}},
                      ButtonRow{"EverythingOff",
                                [](auto& w) {
                                    w.clearNumbers();
                                    w.clearLowercase();
                                    w.clearUppercase();
                                    w.clearSpecial();
                                },
                                0,
                                {'0', 'a', 'A'},
                                {}},
                      ButtonRow{"SingleToggle",
                                [](auto& w) {
                                    w.setChecked('#', true);
                                    w.setChecked('b', false);
                                },
                                62,
                                {'b'},
                                {'#'}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CharactersWindowTest, OnlyFlagOneOpensChecked)
{
    CharacterPool pool = CharacterPool::defaultPool();
    pool.setFlag('A', 2);
    CharactersWorkingCopy window(pool);
    EXPECT_FALSE(window.checked('A'));
    EXPECT_TRUE(window.checked('B'));
    EXPECT_EQ(window.checkedCount(), 61);
}

TEST(CharactersWindowTest, CancelLeavesPoolAndCount)
{
    CharacterPool pool = CharacterPool::defaultPool();
    {
        CharactersWorkingCopy window(pool);
        window.checkAll();
        window.clearNumbers();
    } // dropped: Cancel
    EXPECT_EQ(pool, CharacterPool::defaultPool());
    EXPECT_EQ(pool.availableCount(), 62);
}

// ---- Hyphens / Blank Spaces window ----

struct RefusalRow {
    bool blanks;
    int max;
    const char* text;
};

class InsertsRefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(InsertsRefusalTest, RefusesBelowTwo)
{
    EXPECT_EQ(insertsRefusal(GetParam().blanks, GetParam().max), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Menu, InsertsRefusalTest,
    ::testing::Values(RefusalRow{false, 1, " Max Total characters must be greater than 1 in order to select hyphens."},
                      RefusalRow{false, 0, " Max Total characters must be greater than 1 in order to select hyphens."},
                      RefusalRow{true, 1,
                                 " Max Total characters must be greater than 1 in order to select blank spaces."},
                      RefusalRow{true, 2, ""}, RefusalRow{false, 2, ""}, RefusalRow{false, 60, ""}));

TEST(InsertsWindowTest, CaptionsPerMode)
{
    InsertSettings inserts;
    InsertsWorkingCopy hyphens(inserts, false, 5, 10);
    EXPECT_EQ(hyphens.caption(), "Add Hyphens");
    EXPECT_EQ(hyphens.heading(), "Hyphen Set-Up Menu");
    InsertsWorkingCopy blanks(inserts, true, 5, 10);
    EXPECT_EQ(blanks.caption(), "Add Blank Spaces");
    EXPECT_EQ(blanks.heading(), "Blank Spaces Set-Up Menu");
    EXPECT_EQ(InsertsWorkingCopy::boxCaption(1), " After Character 1");
    EXPECT_EQ(InsertsWorkingCopy::boxCaption(59), " After Character 59");
}

TEST(InsertsWindowTest, EnablesInsideShortestAndShowsUpToLongest)
{
    InsertSettings inserts;
    inserts.hyphen[3] = 1;
    inserts.hyphen[7] = 1;
    inserts.hyphen[12] = 1; // beyond max - 1: not shown
    inserts.blank[2] = 1;
    InsertsWorkingCopy window(inserts, false, 5, 10);
    std::vector<int> enabled;
    std::vector<int> checked;
    for (int p = 1; p <= 59; ++p) {
        if (window.enabled(p))
            enabled.push_back(p);
        if (window.checked(p))
            checked.push_back(p);
    }
    EXPECT_EQ(enabled, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(checked, (std::vector<int>{3, 7})); // 7 shown checked while disabled
    window.click(7);                              // disabled: no effect
    window.click(2);
    EXPECT_TRUE(window.checked(7));
    window.accept(inserts);
    EXPECT_EQ(inserts.hyphen[2], 1);
    EXPECT_EQ(inserts.hyphen[3], 1);
    EXPECT_EQ(inserts.hyphen[7], 1);
    EXPECT_EQ(inserts.hyphen[12], 0); // cleared by Accept
    EXPECT_EQ(inserts.blank[2], 1);   // the other set is untouched
    EXPECT_FALSE(inserts.editBlanks);
}

TEST(InsertsWindowTest, SelectAllReachesDisabledBoxes)
{
    InsertSettings inserts;
    InsertsWorkingCopy window(inserts, true, 1, 6);
    for (int p = 1; p <= 59; ++p)
        EXPECT_FALSE(window.enabled(p)) << p;
    window.selectAll();
    window.accept(inserts);
    for (int p = 1; p <= 59; ++p)
        EXPECT_EQ(inserts.blank[p], p <= 5 ? 1 : 0) << p;
    EXPECT_TRUE(inserts.editBlanks);
    for (int p = 0; p <= 60; ++p)
        EXPECT_EQ(inserts.hyphen[p], 0);
}

TEST(InsertsWindowTest, ClearAllThenCancelKeepsMarks)
{
    InsertSettings inserts;
    inserts.hyphen[4] = 1;
    const InsertSettings before = inserts;
    {
        InsertsWorkingCopy window(inserts, false, 10, 10);
        window.clearAll();
        EXPECT_FALSE(window.checked(4));
    }
    EXPECT_EQ(inserts, before);
    InsertsWorkingCopy window(inserts, false, 10, 10);
    window.clearAll();
    window.accept(inserts);
    EXPECT_EQ(inserts.hyphen[4], 0);
}

// ---- Password Rules window ----

TEST(RulesWindowTest, WarningBelowTwo)
{
    EXPECT_EQ(rulesOpenWarning(1),
              "You must identify the total number of charaters prior to selecting 'Password Rules'");
    EXPECT_EQ(rulesOpenWarning(0), rulesOpenWarning(1));
    EXPECT_EQ(rulesOpenWarning(2), "");
    EXPECT_EQ(RulesWorkingCopy::rowLabel(60), "Position 60");
}

struct RulesRow {
    const char* name;
    int max;
    std::vector<std::pair<int, std::int16_t>> stored;
    std::function<void(RulesWorkingCopy&)> edit;
    std::vector<std::pair<int, std::int16_t>> expected; // non-zero positions after Accept
    bool light;
};

class RulesAcceptTest : public ::testing::TestWithParam<RulesRow> {};

TEST_P(RulesAcceptTest, StoresRowsUpToMaximum)
{
    const auto& row = GetParam();
    PositionRules rules;
    for (auto [p, v] : row.stored)
        rules.rule[p] = v;
    RulesWorkingCopy window(rules, row.max);
    row.edit(window);
    const bool light = window.accept(rules);
    std::vector<std::pair<int, std::int16_t>> got;
    for (int p = 0; p <= 60; ++p)
        if (rules.rule[p] != 0)
            got.emplace_back(p, rules.rule[p]);
    EXPECT_EQ(got, row.expected);
    EXPECT_EQ(light, row.light);
}

INSTANTIATE_TEST_SUITE_P(
    Accept, RulesAcceptTest,
    ::testing::Values(RulesRow{"KeepsRowsInside", 8, {{1, 2}, {3, 1}}, [](auto&) {}, {{1, 2}, {3, 1}}, true},
                      RulesRow{"ClearsBeyondMax", 8, {{10, 4}}, [](auto&) {}, {}, false},
                      RulesRow{"NoRules", 8, {{1, 2}, {8, 3}}, [](auto& w) { w.noRules(); }, {}, false},
                      RulesRow{"StrayValueBecomesAny", 10, {{5, 7}}, [](auto&) {}, {}, false},
                      RulesRow{"SelectEnabledRow", 3, {}, [](auto& w) { w.select(3, 4); }, {{3, 4}}, true},
                      RulesRow{"DisabledRowIgnoresSelection", 3, {}, [](auto& w) { w.select(4, 4); }, {}, false},
                      RulesRow{"MaxOneOnlyRowOne", 1, {{1, 1}, {2, 2}}, [](auto&) {}, {{1, 1}}, true},
                      RulesRow{"MaxZeroClearsAll", 0, {{1, 1}}, [](auto&) {}, {}, false},
                      RulesRow{"MaxSixty", 60, {{60, 3}}, [](auto&) {}, {{60, 3}}, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RulesWindowTest, OpeningShowsStoredValuesGreyedBeyondMax)
{
    PositionRules rules;
    rules.rule[10] = 4;
    rules.rule[2] = 9;
    RulesWorkingCopy window(rules, 8);
    EXPECT_FALSE(window.enabled(10));
    EXPECT_TRUE(window.enabled(8));
    EXPECT_FALSE(window.enabled(9));
    EXPECT_EQ(window.selectionText(10), "Special Symbol");
    EXPECT_EQ(window.selectionText(2), "Any");
    EXPECT_EQ(window.selectionText(1), "Any");
}

TEST(RulesWindowTest, NoRulesThenCancelLeavesTable)
{
    PositionRules rules;
    rules.rule[2] = 3;
    const PositionRules before = rules;
    {
        RulesWorkingCopy window(rules, 10);
        window.noRules();
    }
    EXPECT_EQ(rules, before);
    EXPECT_TRUE(rules.active(10));
}

} // namespace
} // namespace quorlix

namespace quorlix {
namespace {

struct MembersRow {
    CharClass cls;
    std::size_t count;
    int first;
    int last;
    const char* heading;
};

class ClassMembersTest : public ::testing::TestWithParam<MembersRow> {};

TEST_P(ClassMembersTest, ListsTheClassInPoolOrder)
{
    const auto& row = GetParam();
    const auto codes = members(row.cls);
    ASSERT_EQ(codes.size(), row.count);
    if (!codes.empty()) {
        EXPECT_EQ(codes.front(), row.first);
        EXPECT_EQ(codes.back(), row.last);
    }
    EXPECT_EQ(className(row.cls), row.heading);
    CharacterPool pool;
    for (int code : codes)
        pool.setAvailable(code, true);
    EXPECT_EQ(pool.availableInClass(row.cls), static_cast<int>(row.count));
    EXPECT_EQ(pool.recount(), static_cast<int>(row.count));
}

INSTANTIATE_TEST_SUITE_P(Classes, ClassMembersTest,
                         ::testing::Values(MembersRow{CharClass::Number, 10, '0', '9', "Numbers"},
                                           MembersRow{CharClass::Lowercase, 26, 'a', 'z', "Letters Lowercase"},
                                           MembersRow{CharClass::Uppercase, 26, 'A', 'Z', "Letters Uppercase"},
                                           MembersRow{CharClass::Special, 32, '!', '~', "Special Symbols"},
                                           MembersRow{CharClass::Any, 0, 0, 0, "Any"}));

} // namespace
} // namespace quorlix
