#include "settings/LastSettings.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "options/RunFields.h"

namespace quorlix {

namespace {

constexpr std::string_view kSection = kLastSettingsSection;

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

// One load: reads keys in order, keeps the names of the ones that did not convert.
class Loader {
public:
    Loader(SettingsStore& store, std::vector<std::string>& skipped) : m_store(store), m_skipped(skipped) {}

    std::string text(const std::string& key, std::string_view def) { return m_store.get(kSection, key, def); }

    std::int32_t int32(const std::string& key, std::int32_t def)
    {
        return converted(key, def, parseInt32(text(key, std::to_string(def))));
    }
    std::int16_t int16(const std::string& key, std::int16_t def)
    {
        return converted(key, def, parseInt16(text(key, std::to_string(def))));
    }
    bool boolean(const std::string& key, bool def)
    {
        return converted(key, def, parseBoolText(text(key, boolText(def))));
    }
    bool switchOn(const std::string& key, bool def) { return int16(key, def ? 1 : 0) == 1; }
    // A stored code of one of the option lists; a code no version wrote counts as not converting.
    template <typename Enum, typename FromCode> Enum code(const std::string& key, Enum def, FromCode fromCode)
    {
        const auto number = parseInt16(text(key, std::to_string(static_cast<int>(def))));
        return converted(key, def, number ? fromCode(*number) : std::nullopt);
    }

private:
    template <typename T> T converted(const std::string& key, T def, std::optional<T> value)
    {
        if (value)
            return *value;
        m_skipped.push_back(key);
        return def;
    }
    SettingsStore& m_store;
    std::vector<std::string>& m_skipped;
};

void loadWords(Loader& in, WordSettings& words)
{
    const WordSettings def;
    words.dictionary = in.text("TypeDictionary", def.dictionary);
    words.separator = in.text("TypeCharacter", def.separator);
    words.wordsPerPassword = in.int16("TypeQTY", def.wordsPerPassword);
    words.totalPasswords = in.int32("TypeTotalPasswords", def.totalPasswords);
    words.duplicationCheck = in.boolean("TypeDups", def.duplicationCheck);
    words.randomNumbers = in.boolean("TypeRanNumbers", def.randomNumbers);
    words.wordLengthLimit = in.boolean("TypeWordLength", def.wordLengthLimit);
    words.minWordLength = in.int16("TypeWordLimitMin", def.minWordLength);
    words.maxWordLength = in.int16("TypeWordLimitMax", def.maxWordLength);
    words.digitCount = in.int16("TypeNumAmt", def.digitCount);
    words.randomUppercase = in.boolean("TypeUcase", def.randomUppercase);
    words.wordCase = in.code("TypeCase", def.wordCase, wordCaseFromCode);
}

void loadPronounceable(Loader& in, PronounceableSettings& p)
{
    const PronounceableSettings def;
    p.totalPasswords = in.int32("PronTotalPasswords", def.totalPasswords);
    p.minLength = in.int16("PronMinLength", def.minLength);
    p.maxLength = in.int16("PronMaxLength", def.maxLength);
    p.capital = in.code("PronCapital", def.capital, capitalFromCode);
    p.digitCount = in.int16("PronDigits", def.digitCount);
    p.symbol = in.boolean("PronSymbol", def.symbol);
    p.separator = in.code("PronSeparator", def.separator, separatorFromCode);
}

std::string switchText(bool on)
{
    return on ? "1" : "0";
}

} // namespace

std::optional<bool> parseBoolText(std::string_view text)
{
    const std::string t = trimmed(text);
    if (equalsNoCase(t, "True"))
        return true;
    if (equalsNoCase(t, "False"))
        return false;
    if (const auto number = parseInt32(t))
        return *number != 0;
    return std::nullopt;
}

std::vector<std::string> loadLastSettings(SettingsStore& store, OptionState& state)
{
    std::vector<std::string> skipped;
    Loader in(store, skipped);
    const OptionState def;

    state.run.totalPasswords = in.int32("PasswordAmount", def.run.totalPasswords);
    state.run.minLength = in.int16("MinTotalSpaces", def.run.minLength);
    state.run.maxLength = in.int16("MaxTotalSpaces", def.run.maxLength);

    state.checks.duplication = in.switchOn("Dups", def.checks.duplication);
    state.checks.sideBySide = in.switchOn("SideCheck", def.checks.sideBySide);
    state.checks.sequential = in.switchOn("SeqCheck", def.checks.sequential);
    state.checks.counter = in.switchOn("Counter", def.checks.counter);
    state.checks.sortDisplay = in.switchOn("SortPass", def.checks.sortDisplay);

    state.dictionaryFile = in.text("DictionaryFile", def.dictionaryFile);
    state.checks.dictionary = in.boolean("DictionaryCheck", def.checks.dictionary);
    state.checks.dictionaryMode = in.boolean("DictionarySearch", def.checks.dictionaryMode == DictionaryMode::Whole)
                                      ? DictionaryMode::Whole
                                      : DictionaryMode::Hybrid;
    state.checks.strong = in.boolean("StrongPasswords", def.checks.strong);

    for (int i = 1; i <= 59; ++i) {
        state.inserts.hyphen[i] = in.int16("Hyphen" + std::to_string(i), 0);
        state.inserts.blank[i] = in.int16("BlankSpaces" + std::to_string(i), 0);
    }
    for (int code = kFirstCode; code <= kLastCode; ++code)
        state.pool.setFlag(code, in.int16("XChar" + std::to_string(code), def.pool.flag(code)));
    for (int i = 1; i <= kMaxLength; ++i)
        state.rules.rule[i] = in.int16("Rules" + std::to_string(i), 0);

    state.method =
        in.boolean("PasswordType", true) ? GenerationMethod::RandomCharacters : GenerationMethod::RandomWords;
    // Stored beside PasswordType, which an older program reads as Random Words.
    if (in.boolean("PronounceableType", false))
        state.method = GenerationMethod::Pronounceable;
    loadWords(in, state.words);
    loadPronounceable(in, state.pronounceable);
    state.pool.recount();
    return skipped;
}

void saveLastSettings(SettingsStore& store, const OptionState& state)
{
    const auto put = [&store](const std::string& key, const std::string& value) { store.set(kSection, key, value); };
    put("PasswordAmount", std::to_string(state.run.totalPasswords));
    put("MinTotalSpaces", std::to_string(state.run.minLength));
    put("MaxTotalSpaces", std::to_string(state.run.maxLength));
    put("Dups", switchText(state.checks.duplication));
    put("SideCheck", switchText(state.checks.sideBySide));
    put("SeqCheck", switchText(state.checks.sequential));
    put("Counter", switchText(state.checks.counter));
    put("SortPass", switchText(state.checks.sortDisplay));
    put("DictionaryFile", state.dictionaryFile);
    put("DictionaryCheck", boolText(state.checks.dictionary));
    put("DictionarySearch", boolText(state.checks.dictionaryMode == DictionaryMode::Whole));
    put("StrongPasswords", boolText(state.checks.strong));
    for (int i = 1; i <= 59; ++i) {
        put("BlankSpaces" + std::to_string(i), std::to_string(state.inserts.blank[i]));
        put("Hyphen" + std::to_string(i), std::to_string(state.inserts.hyphen[i]));
    }
    for (int code = kFirstCode; code <= kLastCode; ++code)
        put("XChar" + std::to_string(code), std::to_string(state.pool.flag(code)));
    for (int i = 1; i <= kMaxLength; ++i)
        put("Rules" + std::to_string(i), std::to_string(state.rules.rule[i]));
    put("PasswordType", boolText(state.method == GenerationMethod::RandomCharacters));
    put("PronounceableType", boolText(state.method == GenerationMethod::Pronounceable));
}

void savePronounceableSettings(SettingsStore& store, const PronounceableSettings& p)
{
    const auto put = [&store](const std::string& key, const std::string& value) { store.set(kSection, key, value); };
    put("PronTotalPasswords", std::to_string(p.totalPasswords));
    put("PronMinLength", std::to_string(p.minLength));
    put("PronMaxLength", std::to_string(p.maxLength));
    put("PronCapital", std::to_string(static_cast<int>(p.capital)));
    put("PronDigits", std::to_string(p.digitCount));
    put("PronSymbol", boolText(p.symbol));
    put("PronSeparator", std::to_string(static_cast<int>(p.separator)));
}

} // namespace quorlix
