#include "settings/LastSettings.h"

#include <gtest/gtest.h>

#include "TestStates.h"

namespace quorlix {
namespace {

using test::unusualState;

TEST(LastSettingsTest, SavesKeysInOrderAndRoundTripsEveryKey)
{
    const OptionState saved = unusualState();
    MemorySettingsStore store;
    OptionState first = saved; // an empty store gives the first-start values and gets nothing written
    EXPECT_TRUE(loadLastSettings(store, first).empty());
    EXPECT_EQ(first, OptionState{});
    EXPECT_EQ(first.pool.availableCount(), 62);
    EXPECT_EQ(store.size(), 0u);
    saveLastSettings(store, saved);
    const auto w = store.writes();
    ASSERT_EQ(w.size(), 13u + 272u + 1u);
    using W = MemorySettingsStore::Write;
    const std::string s = "LastSettings";
    EXPECT_EQ(std::vector<W>(w.begin(), w.begin() + 14),
              (std::vector<W>{{s, "PasswordAmount", "1234567"}, {s, "MinTotalSpaces", "7"},
                              {s, "MaxTotalSpaces", "33"}, {s, "Dups", "0"}, {s, "SideCheck", "1"},
                              {s, "SeqCheck", "1"}, {s, "Counter", "0"}, {s, "SortPass", "0"},
                              {s, "DictionaryFile", "wordlist_german.dct"}, {s, "DictionaryCheck", "True"},
                              {s, "DictionarySearch", "False"}, {s, "StrongPasswords", "True"},
                              {s, "BlankSpaces1", "1"}, {s, "Hyphen1", "0"}}));
    EXPECT_EQ(w[130], (W{s, "XChar33", "1"}));
    EXPECT_EQ(w[228], (W{s, "Rules5", "0"}));
    EXPECT_EQ(w[w.size() - 2], (W{s, "PasswordType", "False"}));
    EXPECT_EQ(w.back(), (W{s, "PronounceableType", "False"}));
    for (const auto& write : w) {
        EXPECT_EQ(write.key.rfind("Type", 0), std::string::npos) << "Random Words keys belong to their window";
        EXPECT_TRUE(write.key == "PronounceableType" || write.key.rfind("Pron", 0) == std::string::npos)
            << "Pronounceable keys belong to their window";
    }

    const std::vector<std::pair<const char*, const char*>> words{
        {"TypeDictionary", "wordlist_french.dct"}, {"TypeCharacter", ","}, {"TypeQTY", "7"},
        {"TypeTotalPasswords", "9999"}, {"TypeDups", "False"}, {"TypeRanNumbers", "False"},
        {"TypeWordLength", "True"}, {"TypeWordLimitMin", "5"}, {"TypeWordLimitMax", "12"}, {"TypeNumAmt", "0"},
        {"TypeUcase", "True"}, {"TypeCase", "4"}};
    for (auto [key, value] : words)
        store.set(s, key, value);
    const std::size_t before = store.writes().size();
    savePronounceableSettings(store, saved.pronounceable);
    const auto pron = store.writes();
    EXPECT_EQ(std::vector<W>(pron.begin() + static_cast<std::ptrdiff_t>(before), pron.end()),
              (std::vector<W>{{s, "PronTotalPasswords", "400"}, {s, "PronMinLength", "8"}, {s, "PronMaxLength", "12"},
                              {s, "PronCapital", "2"}, {s, "PronDigits", "3"}, {s, "PronSymbol", "True"},
                              {s, "PronSeparator", "3"}}));
    OptionState loaded;
    loaded.pool = CharacterPool();
    EXPECT_TRUE(loadLastSettings(store, loaded).empty());
    OptionState expected = saved;
    expected.words =
        WordSettings{"wordlist_french.dct", 9999, 7, ",", false, false, 0, true, 5, 12, true, WordCase::Random};
    EXPECT_EQ(loaded, expected);

    // Pronounceable selected: PasswordType says False, as an older program expects of a method not its own.
    OptionState pronounceable;
    pronounceable.method = GenerationMethod::Pronounceable;
    MemorySettingsStore second;
    saveLastSettings(second, pronounceable);
    EXPECT_EQ(second.get(s, "PasswordType", ""), "False");
    EXPECT_EQ(second.get(s, "PronounceableType", ""), "True");
    OptionState back;
    loadLastSettings(second, back);
    EXPECT_EQ(back.method, GenerationMethod::Pronounceable);
}

// A value that does not convert is skipped with its default; the keys after it still load.
TEST(LastSettingsTest, LoadsOrSkipsOnlyThatKey)
{
    using Check = std::function<bool(const OptionState&)>;
    const std::vector<std::tuple<const char*, const char*, bool, Check>> rows{
        {"Dups", "abc", true, [](const OptionState& s) { return s.checks.duplication; }},
        {"MinTotalSpaces", "70000", true, [](const OptionState& s) { return s.run.minLength == 10; }},
        {"MaxTotalSpaces", "75", false, [](const OptionState& s) { return s.run.maxLength == 75; }},
        {"Hyphen4", "1.5", true, [](const OptionState& s) { return s.inserts.hyphen[4] == 0; }},
        {"PasswordType", "yes", true,
         [](const OptionState& s) { return s.method == GenerationMethod::RandomCharacters; }},
        {"DictionaryCheck", "-1", false, [](const OptionState& s) { return s.checks.dictionary; }},
        {"DictionaryCheck", " FALSE ", false, [](const OptionState& s) { return !s.checks.dictionary; }},
        {"DictionarySearch", "0", false,
         [](const OptionState& s) { return s.checks.dictionaryMode == DictionaryMode::Hybrid; }},
        {"XChar65", "2", false,
         [](const OptionState& s) { return s.pool.flag(65) == 2 && s.pool.availableCount() == 61; }},
        // Switches count as on only with the value 1.
        {"Dups", "2", false, [](const OptionState& s) { return !s.checks.duplication; }},
        {"TypeCharacter", "", false, [](const OptionState& s) { return s.words.separator.empty(); }},
        // Codes of the option lists: one no version wrote takes the default.
        {"TypeCase", "5", true, [](const OptionState& s) { return s.words.wordCase == WordCase::Lower; }},
        {"TypeCase", "3", false, [](const OptionState& s) { return s.words.wordCase == WordCase::Alternating; }},
        {"PronCapital", "first", true,
         [](const OptionState& s) { return s.pronounceable.capital == CapitalStyle::First; }},
        {"PronSeparator", "0", false,
         [](const OptionState& s) { return s.pronounceable.separator == SyllableSeparator::None; }},
        {"PronMaxLength", "99999", true, [](const OptionState& s) { return s.pronounceable.maxLength == 17; }},
        {"PronounceableType", "True", false,
         [](const OptionState& s) { return s.method == GenerationMethod::Pronounceable; }}};
    for (const auto& [key, text, skipped, check] : rows) {
        SCOPED_TRACE(std::string(key) + "=" + text);
        MemorySettingsStore store;
        store.set("LastSettings", key, text);
        store.set("LastSettings", "Rules60", "3");
        store.set("LastSettings", "TypeUcase", "False");
        OptionState state = unusualState();
        EXPECT_EQ(loadLastSettings(store, state), skipped ? std::vector<std::string>{key} : std::vector<std::string>{});
        EXPECT_TRUE(check(state));
        EXPECT_EQ(state.rules.rule[60], 3);
        EXPECT_FALSE(state.words.randomUppercase);
    }
}

} // namespace
} // namespace quorlix
