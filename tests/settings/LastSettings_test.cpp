#include "settings/LastSettings.h"

#include <gtest/gtest.h>

#include "TestStates.h"
#include "settings/ApplyOptions.h"

namespace quorlix {
namespace {

using test::unusualState;
using test::zeroState;

TEST(LastSettingsTest, EmptyStoreGivesFirstStartValues)
{
    MemorySettingsStore store;
    OptionState state = zeroState();
    EXPECT_TRUE(loadLastSettings(store, state).empty());
    EXPECT_EQ(state.run, (RunValues{25, 10, 10}));
    EXPECT_TRUE(state.checks.duplication);
    EXPECT_TRUE(state.checks.counter);
    EXPECT_TRUE(state.checks.sortDisplay);
    EXPECT_FALSE(state.checks.sideBySide);
    EXPECT_FALSE(state.checks.sequential);
    EXPECT_FALSE(state.checks.dictionary);
    EXPECT_EQ(state.checks.dictionaryMode, DictionaryMode::Whole);
    EXPECT_FALSE(state.checks.strong);
    EXPECT_EQ(state.dictionaryFile, "wordlist_english_abridged.dct");
    EXPECT_EQ(state.pool.availableCount(), 62);
    EXPECT_EQ(state.pool, CharacterPool::defaultPool());
    EXPECT_EQ(state.rules, PositionRules{});
    EXPECT_EQ(state.inserts, InsertSettings{});
    EXPECT_EQ(state.method, GenerationMethod::RandomCharacters);
    EXPECT_EQ(state.words, WordSettings{});
    EXPECT_EQ(state, OptionState{});
    EXPECT_EQ(store.size(), 0u); // loading writes nothing
}

TEST(LastSettingsTest, ReadsKeysInOrder)
{
    MemorySettingsStore store;
    OptionState state;
    loadLastSettings(store, state);
    const auto& reads = store.reads();
    ASSERT_EQ(reads.size(), 12u + 118u + 94u + 60u + 1u + 11u);
    const std::vector<std::string> head(reads.begin(), reads.begin() + 14);
    EXPECT_EQ(head, (std::vector<std::string>{"PasswordAmount", "MinTotalSpaces", "MaxTotalSpaces", "Dups", "SideCheck",
                                              "SeqCheck", "Counter", "SortPass", "DictionaryFile", "DictionaryCheck",
                                              "DictionarySearch", "StrongPasswords", "Hyphen1", "BlankSpaces1"}));
    EXPECT_EQ(reads[129], "BlankSpaces59");
    EXPECT_EQ(reads[130], "XChar33");
    EXPECT_EQ(reads[223], "XChar126");
    EXPECT_EQ(reads[224], "Rules1");
    EXPECT_EQ(reads[283], "Rules60");
    const std::vector<std::string> tail(reads.begin() + 284, reads.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"PasswordType", "TypeDictionary", "TypeCharacter", "TypeQTY",
                                              "TypeTotalPasswords", "TypeDups", "TypeRanNumbers", "TypeWordLength",
                                              "TypeWordLimitMin", "TypeWordLimitMax", "TypeNumAmt", "TypeUcase"}));
}

TEST(LastSettingsTest, SavesKeysInOrderWithTheirTexts)
{
    MemorySettingsStore store;
    saveLastSettings(store, unusualState());
    const auto& w = store.writes();
    ASSERT_EQ(w.size(), 13u + 272u);
    using W = MemorySettingsStore::Write;
    const std::string s = "LastSettings";
    const std::vector<W> head(w.begin(), w.begin() + 14);
    EXPECT_EQ(head, (std::vector<W>{{s, "PasswordAmount", "1234567"},
                                    {s, "MinTotalSpaces", "7"},
                                    {s, "MaxTotalSpaces", "33"},
                                    {s, "Dups", "0"},
                                    {s, "SideCheck", "1"},
                                    {s, "SeqCheck", "1"},
                                    {s, "Counter", "0"},
                                    {s, "SortPass", "0"},
                                    {s, "DictionaryFile", "wordlist_german.dct"},
                                    {s, "DictionaryCheck", "True"},
                                    {s, "DictionarySearch", "False"},
                                    {s, "StrongPasswords", "True"},
                                    {s, "BlankSpaces1", "1"},
                                    {s, "Hyphen1", "0"}}));
    EXPECT_EQ(w[17], (W{s, "Hyphen3", "1"}));
    EXPECT_EQ(w[130], (W{s, "XChar33", "1"}));
    EXPECT_EQ(w[131], (W{s, "XChar34", "0"}));
    EXPECT_EQ(w[224], (W{s, "Rules1", "1"}));
    EXPECT_EQ(w[228], (W{s, "Rules5", "0"}));
    EXPECT_EQ(w[229], (W{s, "Rules6", "1"}));
    EXPECT_EQ(w.back(), (W{s, "PasswordType", "False"}));
    for (const auto& write : w)
        EXPECT_EQ(write.key.rfind("Type", 0), std::string::npos) << "Random Words keys belong to their window";
}

TEST(LastSettingsTest, RoundTripReproducesEveryKey)
{
    const OptionState saved = unusualState();
    MemorySettingsStore store;
    saveLastSettings(store, saved);
    const std::vector<std::pair<const char*, const char*>> words{{"TypeDictionary", "wordlist_french.dct"},
                                                                 {"TypeCharacter", ","},
                                                                 {"TypeQTY", "7"},
                                                                 {"TypeTotalPasswords", "9999"},
                                                                 {"TypeDups", "False"},
                                                                 {"TypeRanNumbers", "False"},
                                                                 {"TypeWordLength", "True"},
                                                                 {"TypeWordLimitMin", "5"},
                                                                 {"TypeWordLimitMax", "12"},
                                                                 {"TypeNumAmt", "0"},
                                                                 {"TypeUcase", "True"}};
    for (auto [key, value] : words)
        store.set("LastSettings", key, value);
    OptionState loaded = zeroState();
    EXPECT_TRUE(loadLastSettings(store, loaded).empty());
    OptionState expected = saved;
    expected.words = WordSettings{"wordlist_french.dct", 9999, 7, ",", false, false, 0, true, 5, 12, true};
    EXPECT_EQ(loaded, expected);

    // Saving the loaded state writes the same texts again.
    MemorySettingsStore again;
    saveLastSettings(again, loaded);
    MemorySettingsStore first;
    saveLastSettings(first, saved);
    EXPECT_EQ(again.writes(), first.writes());
}

struct BadValueRow {
    const char* key;
    const char* text;
    std::function<bool(const OptionState&)> holdsDefault;
};

class BadValueTest : public ::testing::TestWithParam<BadValueRow> {};

// A value that does not convert is skipped with its default; the keys after it
// still load.
TEST_P(BadValueTest, SkipsOnlyThatKey)
{
    const auto& row = GetParam();
    MemorySettingsStore store;
    store.set("LastSettings", row.key, row.text);
    store.set("LastSettings", "Rules60", "3");
    store.set("LastSettings", "TypeUcase", "True");
    OptionState state = zeroState();
    EXPECT_EQ(loadLastSettings(store, state), std::vector<std::string>{row.key});
    EXPECT_TRUE(row.holdsDefault(state));
    EXPECT_EQ(state.rules.rule[60], 3);
    EXPECT_TRUE(state.words.randomUppercase);
    EXPECT_EQ(state.run.maxLength, 10);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, BadValueTest,
    ::testing::Values(
        BadValueRow{"Dups", "abc", [](const OptionState& s) { return s.checks.duplication; }},
        BadValueRow{"PasswordAmount", "12x", [](const OptionState& s) { return s.run.totalPasswords == 25; }},
        BadValueRow{"MinTotalSpaces", "70000", [](const OptionState& s) { return s.run.minLength == 10; }},
        BadValueRow{"DictionaryCheck", "maybe", [](const OptionState& s) { return !s.checks.dictionary; }},
        BadValueRow{"DictionarySearch", "",
                    [](const OptionState& s) { return s.checks.dictionaryMode == DictionaryMode::Whole; }},
        BadValueRow{"XChar65", "A", [](const OptionState& s) { return s.pool.flag(65) == 1; }},
        BadValueRow{"Hyphen4", "1.5", [](const OptionState& s) { return s.inserts.hyphen[4] == 0; }},
        BadValueRow{"TypeQTY", "", [](const OptionState& s) { return s.words.wordsPerPassword == 2; }},
        BadValueRow{"TypeTotalPasswords", "lots", [](const OptionState& s) { return s.words.totalPasswords == 25; }},
        BadValueRow{"PasswordType", "yes",
                    [](const OptionState& s) { return s.method == GenerationMethod::RandomCharacters; }}));

struct BoolRow {
    const char* text;
    std::optional<bool> value;
};

class BoolTextTest : public ::testing::TestWithParam<BoolRow> {};

TEST_P(BoolTextTest, ReadsWordsAndNumbers)
{
    EXPECT_EQ(parseBoolText(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, BoolTextTest,
                         ::testing::Values(BoolRow{"True", true}, BoolRow{"False", false}, BoolRow{"true", true},
                                           BoolRow{"FALSE", false}, BoolRow{"0", false}, BoolRow{"1", true},
                                           BoolRow{"-1", true}, BoolRow{"2", true}, BoolRow{" True ", true},
                                           BoolRow{"", std::nullopt}, BoolRow{"Yes", std::nullopt},
                                           BoolRow{"Truex", std::nullopt}));

struct StoredRow {
    const char* key;
    const char* text;
    std::function<bool(const OptionState&)> check;
};

class StoredValueTest : public ::testing::TestWithParam<StoredRow> {};

TEST_P(StoredValueTest, LoadsAsStored)
{
    MemorySettingsStore store;
    store.set("LastSettings", GetParam().key, GetParam().text);
    OptionState state = zeroState();
    EXPECT_TRUE(loadLastSettings(store, state).empty());
    EXPECT_TRUE(GetParam().check(state));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StoredValueTest,
    ::testing::Values(StoredRow{"DictionarySearch", "0",
                                [](const OptionState& s) { return s.checks.dictionaryMode == DictionaryMode::Hybrid; }},
                      StoredRow{"DictionarySearch", "False",
                                [](const OptionState& s) { return s.checks.dictionaryMode == DictionaryMode::Hybrid; }},
                      StoredRow{"XChar65", "2",
                                [](const OptionState& s) {
                                    return s.pool.flag(65) == 2 && !s.pool.isAvailable(65) &&
                                           s.pool.availableCount() == 61;
                                }},
                      // Switches count as on only with the value 1.
                      StoredRow{"Dups", "2", [](const OptionState& s) { return !s.checks.duplication; }},
                      StoredRow{"SideCheck", "1", [](const OptionState& s) { return s.checks.sideBySide; }},
                      StoredRow{"StrongPasswords", "-1", [](const OptionState& s) { return s.checks.strong; }},
                      StoredRow{"PasswordType", "False",
                                [](const OptionState& s) { return s.method == GenerationMethod::RandomWords; }},
                      StoredRow{"Rules7", "9", [](const OptionState& s) { return s.rules.rule[7] == 9; }},
                      StoredRow{"MaxTotalSpaces", "75", [](const OptionState& s) { return s.run.maxLength == 75; }},
                      StoredRow{"TypeCharacter", "", [](const OptionState& s) { return s.words.separator.empty(); }}));

TEST(LastSettingsTest, OverRangeMaximumIsResetWhenApplied)
{
    MemorySettingsStore store;
    store.set("LastSettings", "MaxTotalSpaces", "75");
    OptionState state;
    loadLastSettings(store, state);
    ASSERT_EQ(state.run.maxLength, 75);
    StateControls controls(state);
    applyLastSettings(state, controls);
    EXPECT_EQ(state.run.maxLength, 0);
    EXPECT_EQ(controls.status(), "Number must be between 1-60");
    EXPECT_EQ(controls.readout().probability, "1 in 839299365868340000 Min\r\n1 in 1 Max");
}

} // namespace
} // namespace quorlix
