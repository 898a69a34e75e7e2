#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestStates.h"
#include "options/CharactersWindow.h"
#include "settings/ApplyOptions.h"
#include "support/TempFolder.h"

namespace quorlix {
namespace {

using test::unusualState;

std::string join(const std::vector<std::string>& lines, std::size_t count, const char* eol = "\r\n")
{
    std::string out;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i)
        out += lines[i] + eol;
    return out;
}

TEST(SettingsFileTest, DefaultStateWritesTheFixedLayout)
{
    const auto lines = settingsFileItems(OptionState{});
    ASSERT_EQ(lines.size(), 306u);
    EXPECT_EQ(settingsFileText(OptionState{}), join(lines, 306)); // every item ends in CR LF
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 26),
              (std::vector<std::string>{" 25 ", " 10 ", " 10 ", " 1 ", " 0 ", " 0 ", " 1 ", " 1 ",
                                        "wordlist_english_abridged.dct", " 0 ", " 1 ", " 0 ", " 1 ", " 1 ",
                                        "wordlist_english_abridged.dct", "*", " 2 ", " 25 ", " 1 ", " 1 ", "False",
                                        " 4 ", " 9 ", " 4 ", "False", " 0 "}));
    EXPECT_EQ(lines[143], " 1 "); // "0": digits are on in the default pool
    EXPECT_EQ(lines[153], " 0 "); // "!": special symbols are off
    EXPECT_EQ(lines[296], " 0 ");
    // The Pronounceable options and the word case, after everything an older version wrote.
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 297, lines.end()),
              (std::vector<std::string>{" 0 ", " 25 ", " 15 ", " 17 ", " 1 ", " 2 ", " 0 ", " 1 ", " 0 "}));

    const std::vector<std::tuple<int, std::function<void(OptionState&)>, const char*>> items{
        {1, [](OptionState& s) { s.run.totalPasswords = -3; }, "-3 "},
        {144, [](OptionState& s) { s.pool.setAvailable('0', false); }, " 0 "},
        {154, [](OptionState& s) { s.pool.setFlag('!', 2); }, " 2 "},
        {238, [](OptionState& s) { s.rules.rule[1] = 4; }, " 4 "},
        // A line break in a text must not shift the items after it.
        {16, [](OptionState& s) { s.words.separator = "a\r\nb"; }, "ab"},
        {13, [](OptionState& s) { s.method = GenerationMethod::Pronounceable; }, " 0 "},
        {298, [](OptionState& s) { s.method = GenerationMethod::Pronounceable; }, " 1 "},
        {302, [](OptionState& s) { s.pronounceable.capital = CapitalStyle::Random; }, " 2 "},
        {305, [](OptionState& s) { s.pronounceable.separator = SyllableSeparator::Blank; }, " 2 "},
        {306, [](OptionState& s) { s.words.wordCase = WordCase::Capitalised; }, " 2 "}};
    for (const auto& [line, change, text] : items) {
        OptionState state;
        change(state);
        const auto changed = settingsFileItems(state);
        ASSERT_EQ(changed.size(), 306u);
        EXPECT_EQ(changed[static_cast<std::size_t>(line - 1)], text) << line;
    }
}

TEST(SettingsFileTest, RoundTripIsIdentical)
{
    std::vector<OptionState> states{OptionState{}, unusualState()};
    states.push_back(unusualState());
    states.back().method = GenerationMethod::Pronounceable;
    // Texts are whole lines: commas and quotes neither split nor swallow items.
    for (const char* text : {",", "\"quoted\", x", "", " 25 "}) {
        states.push_back(unusualState());
        states.back().words.separator = text;
        states.back().dictionaryFile = text;
    }
    for (const OptionState& saved : states) {
        const std::string text = settingsFileText(saved);
        OptionState loaded;
        loaded.pool = CharacterPool();
        loaded.rules.rule[9] = 3;
        const SettingsFileReport report = readSettingsText(text, loaded);
        EXPECT_EQ(report.applied, 306);
        EXPECT_TRUE(report.skipped.empty());
        EXPECT_EQ(loaded, saved);
    }
}

struct LineEndCase {
    const char* name;
    std::vector<const char*> ends; // used in turn, line after line
};

class SettingsFileLineEnds : public ::testing::TestWithParam<LineEndCase> {};

// Every line end a text file may have reads all 306 items, empty texts
// included, and leaves no CR in them.
TEST_P(SettingsFileLineEnds, LoadEveryItem)
{
    const testing::TempFolder dir;
    const std::string file = dir.path("mine.set");
    for (const char* separator : {"-", ""}) {
        OptionState saved = unusualState();
        saved.words.separator = separator;
        std::string text;
        const auto items = settingsFileItems(saved);
        for (std::size_t i = 0; i < items.size(); ++i)
            text += items[i] + GetParam().ends[i % GetParam().ends.size()];
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        OptionState loaded;
        SettingsFileReport report;
        ASSERT_TRUE(loadSettingsFile(file, loaded, &report).isOk());
        EXPECT_EQ(report.applied, 306) << separator;
        EXPECT_TRUE(report.skipped.empty()) << separator;
        EXPECT_EQ(loaded.words.separator, separator);
        EXPECT_EQ(loaded, saved) << separator;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsFileLineEnds,
                         ::testing::Values(LineEndCase{"LF", {"\n"}}, LineEndCase{"CRLF", {"\r\n"}},
                                           LineEndCase{"CR", {"\r"}}, LineEndCase{"CRCRLF", {"\r\r\n"}},
                                           LineEndCase{"Mixed", {"\r\n", "\r", "\n", "\r\r\n"}}),
                         [](const auto& row) { return std::string(row.param.name); });

// Unreadable or missing lines keep their settings; reading goes on. Bare line feeds read as well as CR LF.
TEST(SettingsFileTest, DamagedOrShortTextKeepsWhatItCannotRead)
{
    auto lines = settingsFileItems(unusualState());
    lines[1] = "abc";   // minimum
    lines[16] = "";     // words per password
    lines[150] = "1,0"; // a pool flag
    lines[296] = " 9x ";
    lines[301] = " 3 "; // no capital style has the code 3
    OptionState state;
    state.run.minLength = 12;
    auto report = readSettingsText(join(lines, lines.size(), "\n"), state);
    EXPECT_EQ(report.skipped, (std::vector<int>{2, 17, 151, 297, 302}));
    OptionState expected = unusualState();
    expected.run.minLength = 12;
    expected.words.wordsPerPassword = OptionState{}.words.wordsPerPassword;
    expected.pool.setFlag(poolOrderCodes()[150 - 143], OptionState{}.pool.flag(poolOrderCodes()[150 - 143]));
    expected.pool.recount();
    expected.rules.rule[60] = 0;
    expected.pronounceable.capital = OptionState{}.pronounceable.capital;
    EXPECT_EQ(state, expected);

    state = OptionState{};
    state.rules.rule[60] = 4;
    const PositionRules before = state.rules;
    report = readSettingsText(join(settingsFileItems(unusualState()), 237), state);
    EXPECT_EQ(report.applied, 237);
    ASSERT_EQ(report.skipped.size(), 60u);
    EXPECT_EQ(report.skipped.front(), 238);
    expected = unusualState();
    expected.rules = before;
    expected.pronounceable = OptionState{}.pronounceable;
    expected.words.wordCase = OptionState{}.words.wordCase;
    EXPECT_EQ(state, expected);
}

// What a file holds besides text items tells a settings file from anything
// else; the lines that could not be read are named by their item.
TEST(SettingsFileTest, RecognisedItemsAndTheNamesOfSkippedOnes)
{
    OptionState state;
    SettingsFileReport report = readSettingsText(settingsFileText(OptionState{}), state);
    EXPECT_EQ(report.recognised, 306 - 3); // all but the three text items
    std::string utf16;
    for (char c : settingsFileText(OptionState{}))
        utf16 += std::string{c, '\0'};
    const std::pair<const char*, std::string> notSettings[] = {
        {"empty", ""},
        {"password list", "x7Kq2mWp\r\nAb3dEf9h\r\nzzTop-12\r\n"},
        {"UTF-16 settings file", "\xFF\xFE" + utf16},
    };
    for (const auto& [name, text] : notSettings)
        EXPECT_EQ(readSettingsText(text, state).recognised, 0) << name;

    auto lines = settingsFileItems(OptionState{});
    lines[1] = "abc";
    lines[2] = "";
    report = readSettingsText(join(lines, 150), state);
    EXPECT_EQ(describeSkippedItems(report),
              (std::vector<std::string>{
                  "lines 2 to 3 (minimum total characters to maximum total characters) could not be read",
                  "lines 151 to 297 (pool flag of \"7\" to rule of position 60) are missing"}));
    EXPECT_EQ(settingsItemName(27), "blank after position 1");
    EXPECT_EQ(settingsItemName(143), "blank after position 59");
    EXPECT_EQ(settingsItemName(144), "pool flag of \"0\"");
    EXPECT_EQ(settingsItemName(238), "rule of position 1");
    EXPECT_EQ(settingsItemName(298), "Pronounceable selected");
    EXPECT_EQ(settingsItemName(306), "word case");
    // A file cut inside the newer items names what it lacks.
    report = readSettingsText(join(settingsFileItems(OptionState{}), 300), state);
    EXPECT_EQ(describeSkippedItems(report), (std::vector<std::string>{}));
}

// A file an older version wrote ends at line 297: it loads exactly as it did,
// says nothing is missing, and keeps the options it never held.
TEST(SettingsFileTest, OlderFilesLoadUnchanged)
{
    for (const GenerationMethod method : {GenerationMethod::RandomCharacters, GenerationMethod::RandomWords}) {
        OptionState written = unusualState();
        written.method = method;
        const auto lines = settingsFileItems(written);
        OptionState state;
        state.method = GenerationMethod::Pronounceable;
        state.pronounceable.digitCount = 5;
        state.words.wordCase = WordCase::Upper;
        const SettingsFileReport report = readSettingsText(join(lines, 297), state);
        EXPECT_EQ(report.applied, 297);
        EXPECT_TRUE(report.skipped.empty());
        EXPECT_TRUE(describeSkippedItems(report).empty());
        OptionState expected = written;
        expected.pronounceable = OptionState{}.pronounceable;
        expected.pronounceable.digitCount = 5;
        expected.words.wordCase = WordCase::Upper;
        EXPECT_EQ(state, expected);
    }
}

// Reading stops at 1 MiB: a device such as /dev/zero would never end, and a
// file that large before its 297 lines is no settings file.
TEST(SettingsFileTest, ReadingStopsAtOneMebibyte)
{
    OptionState state;
    const Status zero = loadSettingsFile("/dev/zero", state);
    EXPECT_EQ(zero.code(), Status::Code::TooLarge);
    EXPECT_EQ(zero.message(), "/dev/zero is not a settings file: its first 1 MiB does not hold the 306 lines of one.");
    EXPECT_EQ(state, OptionState{});

    const testing::TempFolder dir;
    // Exactly 1 MiB of settings whose last text item is long still loads.
    auto lines = settingsFileItems(unusualState());
    const std::string text = join(lines, lines.size());
    lines[8] = std::string((1 << 20) - text.size() + lines[8].size(), 'd');
    std::ofstream(dir / "big.set", std::ios::binary) << join(lines, lines.size());
    ASSERT_EQ(std::filesystem::file_size(dir / "big.set"), 1u << 20);
    EXPECT_TRUE(loadSettingsFile((dir / "big.set").string(), state).isOk());
    // One byte more, still short of 297 lines when read: the same lines, but
    // its 297th line now ends past 1 MiB.
    lines[8].push_back('d');
    std::ofstream(dir / "big.set", std::ios::binary) << join(lines, lines.size());
    EXPECT_EQ(loadSettingsFile((dir / "big.set").string(), state).code(), Status::Code::TooLarge);
}

// Line 13 decides the method unless it is not a number, then line 14 does; line 21 reads words and numbers.
TEST(SettingsFileTest, MethodAndWordLimitLines)
{
    const auto lines = settingsFileItems(OptionState{});
    struct Row {
        const char *line13, *line14, *line21; // line21 null: the file ends at line 20
        bool current, words, limit;
    };
    for (const Row& r : {Row{" 2 ", " 1 ", "-1", false, true, true}, Row{" 1 ", " 0 ", "xyz", true, false, false},
                         Row{"x", " 0 ", "False", false, true, false}, Row{"x", "y", nullptr, true, true, true},
                         Row{"x", "y", nullptr, false, false, false}}) {
        auto changed = lines;
        changed[12] = r.line13, changed[13] = r.line14, changed[20] = r.line21 ? r.line21 : "";
        OptionState state;
        state.method = r.current ? GenerationMethod::RandomWords : GenerationMethod::RandomCharacters;
        state.words.wordLengthLimit = r.current;
        readSettingsText(join(changed, r.line21 ? changed.size() : 20), state);
        EXPECT_EQ(state.method == GenerationMethod::RandomWords, r.words) << r.line13 << "|" << r.line14;
        EXPECT_EQ(state.words.wordLengthLimit, r.limit) << r.line13 << "|" << r.line14;
    }
}

TEST(SettingsFileTest, SavesLoadsAndFailsSafelyOnDisk)
{
    const testing::TempFolder dir;
    const std::string file = (dir / "mine.set").string();
    ASSERT_TRUE(saveSettingsFile(file, OptionState{}).isOk());
    ASSERT_TRUE(saveSettingsFile(file, unusualState()).isOk()); // replaces the file
    std::stringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(bytes.str(), settingsFileText(unusualState()));
    OptionState state;
    EXPECT_FALSE(loadSettingsFile((dir / "missing.set").string(), state).isOk());
    EXPECT_EQ(state, OptionState{});

    // An overlong line keeps its start; junk past line 297 and a missing last line end shift nothing.
    auto lines = settingsFileItems(unusualState());
    lines[15] = std::string(10000, ',');
    lines.insert(lines.end(), 50, "junk, \"x\"");
    std::ofstream(file, std::ios::binary) << join(lines, lines.size()) << "no line end";
    SettingsFileReport report;
    ASSERT_TRUE(loadSettingsFile(file, state, &report).isOk());
    EXPECT_EQ(report.lines, 306);
    EXPECT_TRUE(report.skipped.empty());
    OptionState expected = unusualState();
    expected.words.separator = std::string(4095, ',');
    EXPECT_EQ(state, expected);
}

// Records the controls' calls in order, over a StateControls so the field changes still act on the state.
class RecordingControls : public StateControls {
public:
    using StateControls::StateControls;
    std::vector<std::string> calls;
    void log(const std::string& name, bool on) { calls.push_back(name + (on ? ":1" : ":0")); }
    void log(const std::string& name, std::string_view t) { calls.push_back(name + ":" + std::string(t)); }

    void setTotalPasswordsField(std::string_view t) override
    {
        log("total", t), StateControls::setTotalPasswordsField(t);
    }
    void setMinLengthField(std::string_view t) override { log("min", t), StateControls::setMinLengthField(t); }
    void setMaxLengthField(std::string_view t) override { log("max", t), StateControls::setMaxLengthField(t); }
    void setDuplicationCheck(bool on) override { log("dups", on); }
    void setSideBySideCheck(bool on) override { log("side", on); }
    void setSequentialCheck(bool on) override { log("seq", on); }
    void setCounter(bool on) override { log("counter", on); }
    void setSortDisplay(bool on) override { log("sort", on); }
    void setDictionaryCheck(bool on) override { log("dict", on); }
    void setWholeWord(bool on) override { log("whole", on); }
    void setStrongPasswords(bool on) override { log("strong", on); }
    void selectMethod(GenerationMethod m) override
    {
        log("words", m == GenerationMethod::RandomWords), StateControls::selectMethod(m);
    }
    void setRulesLight(bool green) override { log("light", green), StateControls::setRulesLight(green); }
    void refreshReadout() override { calls.push_back("readout"), StateControls::refreshReadout(); }
};

// The rules light follows the maximum as the field left it: 75 is cleared to 0.
TEST(ApplyOptionsTest, CallOrder)
{
    OptionState state = unusualState();
    state.run.maxLength = 75;
    RecordingControls file(state);
    applySettingsFile(state, file);
    EXPECT_EQ(file.calls, (std::vector<std::string>{"total:1234567", "min:7", "readout", "max:75", "readout", "dups:0",
                                                    "side:1", "seq:1", "counter:0", "sort:0", "dict:1", "whole:0",
                                                    "strong:1", "words:1", "light:0", "readout"}));
    EXPECT_EQ(state.run.maxLength, 0);
    EXPECT_EQ(file.status(), "Number must be between 1-60");
    OptionState defaults;
    RecordingControls last(defaults);
    applyLastSettings(defaults, last);
    EXPECT_EQ(last.calls,
              (std::vector<std::string>{"total:25", "min:10", "readout", "max:10", "readout", "dups:1", "side:0",
                                        "seq:0", "counter:1", "sort:1", "strong:0", "words:0", "readout"}));
}

} // namespace
} // namespace quorlix
