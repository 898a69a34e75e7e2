#include "options/CharactersWindow.h"
#include "options/InsertsWindow.h"
#include "options/PasswordRulesWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quorlix {
namespace {

TEST(CharactersWindowTest, PoolOrderCaptionsAndClasses)
{
    const auto& codes = poolOrderCodes();
    EXPECT_EQ(std::string({char(codes[0]), char(codes[10]), char(codes[41]), char(codes[42]), char(codes.back())}),
              "0!~aZ");
    EXPECT_EQ(CharactersWorkingCopy::boxCaption('A') + "|" + CharactersWorkingCopy::boxCaption('&'), " A| &&");
    const std::vector<std::tuple<CharClass, std::size_t, const char*>> classes{
        {CharClass::Number, 10, "Numbers"}, {CharClass::Lowercase, 26, "Letters Lowercase"},
        {CharClass::Uppercase, 26, "Letters Uppercase"}, {CharClass::Special, 32, "Special Symbols"}};
    for (auto [cls, count, heading] : classes) {
        EXPECT_EQ(members(cls).size(), count) << heading;
        EXPECT_EQ(className(cls), heading);
    }
}

TEST(CharactersWindowTest, AcceptWritesTheBoxes)
{
    struct Row {
        std::function<void(CharactersWorkingCopy&)> press;
        int checked;               // boxes checked afterwards, from the default pool (62)
        std::vector<int> offCodes; // must be unchecked
        std::vector<int> onCodes;  // must be checked
    };
    const std::vector<Row> rows{
        {[](auto& w) { w.checkDefault(); }, 88, {'l', 'j', 'i', 'O', '0', '1'}, {'!', 'k', '2', 'L'}},
        {[](auto& w) { w.clearLowercase(); }, 36, {'a', 'z'}, {'A', '0'}},
        // Class buttons never check anything.
        {[](auto& w) { w.checkAll(), w.clearSpecial(); }, 62, {'~', '@'}, {'0'}},
        {[](auto& w) { w.setChecked('#', true), w.setChecked('b', false); }, 62, {'b'}, {'#'}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.checked);
        CharacterPool pool = CharacterPool::defaultPool();
        CharactersWorkingCopy window(pool);
        row.press(window);
        EXPECT_EQ(window.checkedCount(), row.checked);
        EXPECT_EQ(pool, CharacterPool::defaultPool()); // until Accept (dropping the copy is Cancel)
        EXPECT_EQ(window.accept(pool, RunValues{25, 1, 1}).charactersToUse, std::to_string(row.checked));
        EXPECT_EQ(pool.availableCount(), row.checked);
        for (int code : row.offCodes)
            EXPECT_FALSE(pool.isAvailable(code)) << static_cast<char>(code);
        for (int code : row.onCodes)
            EXPECT_TRUE(pool.isAvailable(code)) << static_cast<char>(code);
    }
    CharacterPool pool = CharacterPool::defaultPool();
    pool.setFlag('A', 2); // only flag 1 opens checked
    EXPECT_EQ(CharactersWorkingCopy(pool).checkedCount(), 61);
}

TEST(InsertsWindowTest, RefusalsAndCaptions)
{
    EXPECT_EQ(insertsRefusal(false, 1), " Max Total characters must be greater than 1 in order to select hyphens.");
    EXPECT_EQ(insertsRefusal(true, 0), " Max Total characters must be greater than 1 in order to select blank spaces.");
    EXPECT_EQ(insertsRefusal(true, 2), "");
    InsertSettings inserts;
    InsertsWorkingCopy hyphens(inserts, false, 5, 10), blanks(inserts, true, 5, 10);
    EXPECT_EQ(std::string(hyphens.caption()) + "|" + std::string(hyphens.heading()), "Add Hyphens|Hyphen Set-Up Menu");
    EXPECT_EQ(std::string(blanks.caption()) + "|" + std::string(blanks.heading()),
              "Add Blank Spaces|Blank Spaces Set-Up Menu");
    EXPECT_EQ(InsertsWorkingCopy::boxCaption(59), " After Character 59");
}

TEST(InsertsWindowTest, EnablesInsideShortestAndShowsUpToLongest)
{
    InsertSettings inserts;
    inserts.hyphen[3] = inserts.hyphen[7] = inserts.hyphen[12] = 1; // 12 is beyond max - 1: not shown
    inserts.blank[2] = 1;
    InsertsWorkingCopy window(inserts, false, 5, 10);
    std::vector<int> enabled, checked;
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
    window.accept(inserts);
    std::vector<int> stored;
    for (int p = 0; p <= 60; ++p)
        if (inserts.hyphen[p])
            stored.push_back(p);
    EXPECT_EQ(stored, (std::vector<int>{2, 3, 7})); // 12 cleared by Accept
    EXPECT_EQ(inserts.blank[2], 1);                 // the other set is untouched
    EXPECT_FALSE(inserts.editBlanks);

    InsertsWorkingCopy blankWindow(inserts, true, 1, 6); // Select All reaches disabled boxes
    EXPECT_FALSE(blankWindow.enabled(1));
    blankWindow.selectAll();
    blankWindow.accept(inserts);
    for (int p = 1; p <= 59; ++p)
        EXPECT_EQ(inserts.blank[p], p <= 5 ? 1 : 0) << p;
    EXPECT_TRUE(inserts.editBlanks);
}

TEST(RulesWindowTest, WarningOpeningStateAndAccept)
{
    EXPECT_EQ(rulesOpenWarning(1),
              "You must identify the total number of charaters prior to selecting 'Password Rules'");
    EXPECT_EQ(rulesOpenWarning(2), "");
    EXPECT_EQ(RulesWorkingCopy::rowLabel(60), "Position 60");
    using Rules = std::vector<std::pair<int, std::int16_t>>; // non-zero positions
    struct Row {
        int max;
        Rules stored;
        std::function<void(RulesWorkingCopy&)> edit;
        Rules expected;
        bool light;
    };
    const std::vector<Row> rows{{8, {{1, 2}, {2, 9}, {3, 1}, {10, 4}}, [](auto&) {}, {{1, 2}, {3, 1}}, true},
                                {8, {{1, 2}, {8, 3}}, [](auto& w) { w.noRules(); }, {}, false},
                                {10, {{5, 7}}, [](auto&) {}, {}, false}, // a stray value becomes Any
                                {3, {}, [](auto& w) { w.select(3, 4), w.select(4, 4); }, {{3, 4}}, true},
                                {60, {{60, 3}}, [](auto&) {}, {{60, 3}}, true}};
    for (const auto& row : rows) {
        PositionRules rules;
        for (auto [p, v] : row.stored)
            rules.rule[p] = v;
        RulesWorkingCopy window(rules, row.max);
        if (row.max == 8 && row.light) { // stored values show greyed beyond the maximum
            EXPECT_TRUE(window.enabled(8));
            EXPECT_FALSE(window.enabled(9));
            EXPECT_EQ(window.selectionText(10), "Special Symbol");
            EXPECT_EQ(window.selectionText(2), "Any"); // a stray value
        }
        row.edit(window);
        EXPECT_EQ(window.accept(rules), row.light) << row.max;
        Rules got;
        for (int p = 0; p <= 60; ++p)
            if (rules.rule[p] != 0)
                got.emplace_back(p, rules.rule[p]);
        EXPECT_EQ(got, row.expected) << row.max;
    }
}

} // namespace
} // namespace quorlix
