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
    EXPECT_EQ(state, OptionState{});
    EXPECT_EQ(state.pool.availableCount(), 62);
    EXPECT_EQ(store.size(), 0u); // loading writes nothing
    // Every key is asked for once; their names are checked by the round trip below.
    EXPECT_EQ(store.reads().size(), 12u + 118u + 94u + 60u + 1u + 11u);
}

TEST(LastSettingsTest, SavesKeysInOrderAndRoundTripsEveryKey)
{
    const OptionState saved = unusualState();
    MemorySettingsStore store;
    saveLastSettings(store, saved);
    const auto w = store.writes();
    ASSERT_EQ(w.size(), 13u + 272u);
    using W = MemorySettingsStore::Write;
    const std::string s = "LastSettings";
    const std::vector<W> head(w.begin(), w.begin() + 14);
    EXPECT_EQ(head, (std::vector<W>{{s, "PasswordAmount", "1234567"}, {s, "MinTotalSpaces", "7"},
                                    {s, "MaxTotalSpaces", "33"}, {s, "Dups", "0"}, {s, "SideCheck", "1"},
                                    {s, "SeqCheck", "1"}, {s, "Counter", "0"}, {s, "SortPass", "0"},
                                    {s, "DictionaryFile", "wordlist_german.dct"}, {s, "DictionaryCheck", "True"},
                                    {s, "DictionarySearch", "False"}, {s, "StrongPasswords", "True"},
                                    {s, "BlankSpaces1", "1"}, {s, "Hyphen1", "0"}}));
    EXPECT_EQ(w[130], (W{s, "XChar33", "1"}));
    EXPECT_EQ(w[228], (W{s, "Rules5", "0"}));
    EXPECT_EQ(w.back(), (W{s, "PasswordType", "False"}));
    for (const auto& write : w)
        EXPECT_EQ(write.key.rfind("Type", 0), std::string::npos) << "Random Words keys belong to their window";

    const std::vector<std::pair<const char*, const char*>> words{
        {"TypeDictionary", "wordlist_french.dct"}, {"TypeCharacter", ","}, {"TypeQTY", "7"},
        {"TypeTotalPasswords", "9999"}, {"TypeDups", "False"}, {"TypeRanNumbers", "False"},
        {"TypeWordLength", "True"}, {"TypeWordLimitMin", "5"}, {"TypeWordLimitMax", "12"}, {"TypeNumAmt", "0"},
        {"TypeUcase", "True"}};
    for (auto [key, value] : words)
        store.set(s, key, value);
    OptionState loaded = zeroState();
    EXPECT_TRUE(loadLastSettings(store, loaded).empty());
    OptionState expected = saved;
    expected.words = WordSettings{"wordlist_french.dct", 9999, 7, ",", false, false, 0, true, 5, 12, true};
    EXPECT_EQ(loaded, expected);
    // Saving the loaded state writes the same texts again.
    MemorySettingsStore again;
    saveLastSettings(again, loaded);
    EXPECT_EQ(again.writes(), w);
}

// A value that does not convert is skipped with its default; the keys after it still load.
TEST(LastSettingsTest, LoadsOrSkipsOnlyThatKey)
{
    using Check = std::function<bool(const OptionState&)>;
    const std::vector<std::tuple<const char*, const char*, bool, Check>> rows{
        {"Dups", "abc", true, [](const OptionState& s) { return s.checks.duplication; }},
        {"MinTotalSpaces", "70000", true, [](const OptionState& s) { return s.run.minLength == 10; }},
        {"Hyphen4", "1.5", true, [](const OptionState& s) { return s.inserts.hyphen[4] == 0; }},
        {"PasswordType", "yes", true,
         [](const OptionState& s) { return s.method == GenerationMethod::RandomCharacters; }},
        {"DictionarySearch", "0", false,
         [](const OptionState& s) { return s.checks.dictionaryMode == DictionaryMode::Hybrid; }},
        {"XChar65", "2", false,
         [](const OptionState& s) { return s.pool.flag(65) == 2 && s.pool.availableCount() == 61; }},
        // Switches count as on only with the value 1.
        {"Dups", "2", false, [](const OptionState& s) { return !s.checks.duplication; }},
        {"TypeCharacter", "", false, [](const OptionState& s) { return s.words.separator.empty(); }}};
    for (const auto& [key, text, skipped, check] : rows) {
        SCOPED_TRACE(std::string(key) + "=" + text);
        MemorySettingsStore store;
        store.set("LastSettings", key, text);
        store.set("LastSettings", "Rules60", "3");
        store.set("LastSettings", "TypeUcase", "True");
        OptionState state = zeroState();
        EXPECT_EQ(loadLastSettings(store, state), skipped ? std::vector<std::string>{key} : std::vector<std::string>{});
        EXPECT_TRUE(check(state));
        EXPECT_EQ(state.rules.rule[60], 3);
        EXPECT_TRUE(state.words.randomUppercase);
        EXPECT_EQ(state.run.maxLength, 10);
    }
}

TEST(LastSettingsTest, BoolTexts)
{
    for (const char* text : {"True", " True ", "-1", "2"})
        EXPECT_EQ(parseBoolText(text), true) << text;
    EXPECT_EQ(parseBoolText("FALSE"), false);
    EXPECT_EQ(parseBoolText("0"), false);
    for (const char* text : {"", "Yes", "Truex"})
        EXPECT_EQ(parseBoolText(text), std::nullopt) << text;
}

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
