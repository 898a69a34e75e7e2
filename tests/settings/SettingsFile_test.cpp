#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestStates.h"
#include "options/CharactersWindow.h"
#include "settings/ApplyOptions.h"

namespace quorlix {
namespace {

using test::unusualState;

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string join(const std::vector<std::string>& lines, std::size_t count, const char* eol = "\r\n")
{
    std::string out;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i)
        out += lines[i] + eol;
    return out;
}

TEST(SettingsFileTest, DefaultStateWritesTheFixedLayout)
{
    OptionState state;
    const auto lines = split(settingsFileText(state));
    ASSERT_EQ(lines.size(), 297u);
    const std::vector<std::string> head(lines.begin(), lines.begin() + 26);
    EXPECT_EQ(head, (std::vector<std::string>{" 25 ",  " 10 ", " 10 ",
                                              " 1 ",   " 0 ",  " 0 ",
                                              " 1 ",   " 1 ",  "wordlist_english_abridged.dct",
                                              " 0 ",   " 1 ",  " 0 ",
                                              " 1 ",   " 1 ",  "wordlist_english_abridged.dct",
                                              "*",     " 2 ",  " 25 ",
                                              " 1 ",   " 1 ",  "False",
                                              " 4 ",   " 9 ",  " 4 ",
                                              "False", " 0 "}));
    EXPECT_EQ(lines[143], " 1 "); // "0": digits are on in the default pool
    EXPECT_EQ(lines[153], " 0 "); // "!": special symbols are off
    EXPECT_EQ(lines[185], " 1 "); // "a"
    EXPECT_EQ(lines[296], " 0 ");
}

struct LineRow {
    int line; // 1-based
    std::function<void(OptionState&)> change;
    const char* text;
};

class SettingsFileLineTest : public ::testing::TestWithParam<LineRow> {};

TEST_P(SettingsFileLineTest, ItemLandsOnItsLine)
{
    OptionState state;
    GetParam().change(state);
    const auto lines = split(settingsFileText(state));
    ASSERT_EQ(lines.size(), 297u);
    EXPECT_EQ(lines[static_cast<std::size_t>(GetParam().line - 1)], GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SettingsFileLineTest,
    ::testing::Values(LineRow{1, [](OptionState& s) { s.run.totalPasswords = 10000000; }, " 10000000 "},
                      LineRow{1, [](OptionState& s) { s.run.totalPasswords = -3; }, "-3 "},
                      LineRow{3, [](OptionState& s) { s.run.maxLength = 60; }, " 60 "},
                      LineRow{5, [](OptionState& s) { s.checks.sideBySide = true; }, " 1 "},
                      LineRow{7, [](OptionState& s) { s.checks.counter = false; }, " 0 "},
                      LineRow{9, [](OptionState& s) { s.dictionaryFile = "a, \"b\".dct"; }, "a, \"b\".dct"},
                      LineRow{11, [](OptionState& s) { s.checks.dictionaryMode = DictionaryMode::Hybrid; }, " 0 "},
                      LineRow{13, [](OptionState& s) { s.method = GenerationMethod::RandomWords; }, " 0 "},
                      LineRow{14, [](OptionState& s) { s.method = GenerationMethod::RandomWords; }, " 0 "},
                      LineRow{16, [](OptionState& s) { s.words.separator = ""; }, ""},
                      LineRow{18, [](OptionState& s) { s.words.totalPasswords = 77; }, " 77 "},
                      LineRow{20, [](OptionState& s) { s.words.randomNumbers = false; }, " 0 "},
                      LineRow{21, [](OptionState& s) { s.words.wordLengthLimit = true; }, "True"},
                      LineRow{25, [](OptionState& s) { s.words.randomUppercase = true; }, "True"},
                      LineRow{26, [](OptionState& s) { s.inserts.hyphen[1] = 1; }, " 1 "},
                      LineRow{27, [](OptionState& s) { s.inserts.blank[1] = 1; }, " 1 "},
                      LineRow{143, [](OptionState& s) { s.inserts.blank[59] = 1; }, " 1 "},
                      LineRow{144, [](OptionState& s) { s.pool.setAvailable('0', false); }, " 0 "},
                      LineRow{145, [](OptionState& s) { s.pool.setAvailable('1', false); }, " 0 "},
                      LineRow{154, [](OptionState& s) { s.pool.setAvailable('!', true); }, " 1 "},
                      LineRow{154, [](OptionState& s) { s.pool.setFlag('!', 2); }, " 2 "},
                      LineRow{185, [](OptionState& s) { s.pool.setAvailable('~', true); }, " 1 "},
                      LineRow{186, [](OptionState& s) { s.pool.setAvailable('a', false); }, " 0 "},
                      LineRow{237, [](OptionState& s) { s.pool.setAvailable('Z', false); }, " 0 "},
                      LineRow{238, [](OptionState& s) { s.rules.rule[1] = 4; }, " 4 "},
                      LineRow{297, [](OptionState& s) { s.rules.rule[60] = 2; }, " 2 "},
                      // A line break in a text must not shift the items after it.
                      LineRow{16, [](OptionState& s) { s.words.separator = "a\r\nb"; }, "ab"}));

TEST(SettingsFileTest, RoundTripIsIdentical)
{
    for (const OptionState& saved : {OptionState{}, unusualState()}) {
        const std::string text = settingsFileText(saved);
        OptionState loaded;
        loaded.run = RunValues{1, 1, 1};
        loaded.pool = CharacterPool();
        loaded.rules.rule[9] = 3;
        const SettingsFileReport report = readSettingsText(text, loaded);
        EXPECT_EQ(report.lines, 297);
        EXPECT_EQ(report.applied, 297);
        EXPECT_TRUE(report.skipped.empty());
        EXPECT_EQ(loaded, saved);
        EXPECT_EQ(settingsFileText(loaded), text);
    }
}

struct SeparatorRow {
    const char* separator;
};

class SeparatorTextTest : public ::testing::TestWithParam<SeparatorRow> {};

// Texts are whole lines: commas and quotes neither split nor swallow items.
TEST_P(SeparatorTextTest, DoesNotShiftFollowingItems)
{
    OptionState saved = unusualState();
    saved.words.separator = GetParam().separator;
    saved.dictionaryFile = GetParam().separator;
    OptionState loaded;
    const auto report = readSettingsText(settingsFileText(saved), loaded);
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(loaded, saved);
}

INSTANTIATE_TEST_SUITE_P(Texts, SeparatorTextTest,
                         ::testing::Values(SeparatorRow{","}, SeparatorRow{"\""}, SeparatorRow{"\"quoted\", x"},
                                           SeparatorRow{""}, SeparatorRow{" "}, SeparatorRow{"#"},
                                           SeparatorRow{" 25 "}));

TEST(SettingsFileTest, ShortFileKeepsCurrentRules)
{
    const auto lines = split(settingsFileText(unusualState()));
    OptionState state;
    state.rules.rule[1] = 2;
    state.rules.rule[60] = 4;
    const PositionRules before = state.rules;
    const auto report = readSettingsText(join(lines, 237), state);
    EXPECT_EQ(report.lines, 237);
    EXPECT_EQ(report.applied, 237);
    ASSERT_EQ(report.skipped.size(), 60u);
    EXPECT_EQ(report.skipped.front(), 238);
    EXPECT_EQ(report.skipped.back(), 297);
    EXPECT_EQ(state.rules, before);
    OptionState expected = unusualState();
    expected.rules = before;
    EXPECT_EQ(state, expected);
}

TEST(SettingsFileTest, EmptyFileChangesNothing)
{
    OptionState state = unusualState();
    const auto report = readSettingsText("", state);
    EXPECT_EQ(report.applied, 0);
    EXPECT_EQ(report.skipped.size(), 297u);
    EXPECT_EQ(state, unusualState());
}

TEST(SettingsFileTest, NonNumericLineIsSkippedAndReadingGoesOn)
{
    auto lines = split(settingsFileText(unusualState()));
    lines[1] = "abc";   // minimum
    lines[16] = "";     // words per password
    lines[150] = "1,0"; // a pool flag
    lines[296] = " 9x ";
    OptionState state;
    state.run.minLength = 12;
    const auto report = readSettingsText(join(lines, lines.size()), state);
    EXPECT_EQ(report.skipped, (std::vector<int>{2, 17, 151, 297}));
    OptionState expected = unusualState();
    expected.run.minLength = 12;
    expected.words.wordsPerPassword = OptionState{}.words.wordsPerPassword;
    expected.pool.setFlag(poolOrderCodes()[150 - 143], OptionState{}.pool.flag(poolOrderCodes()[150 - 143]));
    expected.pool.recount();
    expected.rules.rule[60] = 0;
    EXPECT_EQ(state, expected);
}

TEST(SettingsFileTest, AcceptsBareLineFeeds)
{
    const auto lines = split(settingsFileText(unusualState()));
    OptionState state;
    readSettingsText(join(lines, lines.size(), "\n"), state);
    EXPECT_EQ(state, unusualState());
}

struct MethodRow {
    const char* line13;
    const char* line14;
    GenerationMethod current;
    GenerationMethod expected;
};

class MethodLinesTest : public ::testing::TestWithParam<MethodRow> {};

TEST_P(MethodLinesTest, LineThirteenDecides)
{
    auto lines = split(settingsFileText(OptionState{}));
    lines[12] = GetParam().line13;
    lines[13] = GetParam().line14;
    OptionState state;
    state.method = GetParam().current;
    readSettingsText(join(lines, lines.size()), state);
    EXPECT_EQ(state.method, GetParam().expected);
}

constexpr auto RC = GenerationMethod::RandomCharacters;
constexpr auto RW = GenerationMethod::RandomWords;

INSTANTIATE_TEST_SUITE_P(Lines, MethodLinesTest,
                         ::testing::Values(MethodRow{" 1 ", " 0 ", RW, RC}, MethodRow{" 0 ", " 1 ", RC, RW},
                                           MethodRow{" 2 ", " 1 ", RC, RW}, MethodRow{"x", " 1 ", RW, RC},
                                           MethodRow{"x", " 0 ", RC, RW}, MethodRow{"x", "y", RW, RW},
                                           MethodRow{"x", "y", RC, RC}));

struct BooleanLineRow {
    const char* text; // nullptr: the file ends before the line
    bool current;
    bool expected;
};

class BooleanLineTest : public ::testing::TestWithParam<BooleanLineRow> {};

TEST_P(BooleanLineTest, WordLengthLimitFromLine21)
{
    auto lines = split(settingsFileText(OptionState{}));
    std::size_t count = lines.size();
    if (GetParam().text)
        lines[20] = GetParam().text;
    else
        count = 20;
    OptionState state;
    state.words.wordLengthLimit = GetParam().current;
    readSettingsText(join(lines, count), state);
    EXPECT_EQ(state.words.wordLengthLimit, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, BooleanLineTest,
                         ::testing::Values(BooleanLineRow{"True", false, true}, BooleanLineRow{"False", true, false},
                                           BooleanLineRow{" 1 ", false, true}, BooleanLineRow{"-1", false, true},
                                           BooleanLineRow{" 0 ", true, false}, BooleanLineRow{"xyz", true, false},
                                           BooleanLineRow{nullptr, true, true}, BooleanLineRow{nullptr, false, false}));

class SettingsFileDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "quorlix_setfile_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }
    std::filesystem::path m_dir;
};

TEST_F(SettingsFileDiskTest, SavesAndLoadsThroughTheFile)
{
    const std::string file = path("mine.set");
    ASSERT_TRUE(saveSettingsFile(file, unusualState()).isOk());
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), settingsFileText(unusualState()));
    OptionState state;
    SettingsFileReport report;
    ASSERT_TRUE(loadSettingsFile(file, state, &report).isOk());
    EXPECT_EQ(report.applied, 297);
    EXPECT_EQ(state, unusualState());
    // Saving again replaces the file.
    ASSERT_TRUE(saveSettingsFile(file, OptionState{}).isOk());
    ASSERT_TRUE(loadSettingsFile(file, state).isOk());
    EXPECT_EQ(state, OptionState{});
}

TEST_F(SettingsFileDiskTest, FailuresLeaveStateAndOldFile)
{
    OptionState state = unusualState();
    EXPECT_FALSE(loadSettingsFile(path("missing.set"), state).isOk());
    EXPECT_EQ(state, unusualState());
    EXPECT_FALSE(saveSettingsFile(path("no/such/folder/x.set"), state).isOk());
    // A failed save over a folder's name keeps what was there.
    std::filesystem::create_directory(path("taken.set"));
    EXPECT_FALSE(saveSettingsFile(path("taken.set"), state).isOk());
    EXPECT_TRUE(std::filesystem::is_directory(path("taken.set")));
}

TEST_F(SettingsFileDiskTest, OverlongLineAndTrailingJunkShiftNothing)
{
    auto lines = split(settingsFileText(unusualState()));
    lines[15] = std::string(10000, ',');          // separator
    lines.insert(lines.end(), 50, "junk, \"x\""); // beyond line 297
    {
        std::ofstream out(path("odd.set"), std::ios::binary);
        out << join(lines, lines.size()) << "no line end";
    }
    OptionState state;
    SettingsFileReport report;
    ASSERT_TRUE(loadSettingsFile(path("odd.set"), state, &report).isOk());
    EXPECT_EQ(report.lines, 297);
    EXPECT_TRUE(report.skipped.empty());
    OptionState expected = unusualState();
    expected.words.separator = std::string(4095, ',');
    EXPECT_EQ(state, expected);
}

// Records the controls' calls in order, over a StateControls so the field
// changes still act on the state.
class RecordingControls : public StateControls {
public:
    using StateControls::StateControls;
    std::vector<std::string> calls;

    void note(const char* name, bool on) { calls.push_back(std::string(name) + (on ? ":1" : ":0")); }
    void note(const char* name, const std::string& text) { calls.push_back(std::string(name) + ":" + text); }

    void setTotalPasswordsField(std::string_view t) override
    {
        note("total", std::string(t)), StateControls::setTotalPasswordsField(t);
    }
    void setMinLengthField(std::string_view t) override
    {
        note("min", std::string(t)), StateControls::setMinLengthField(t);
    }
    void setMaxLengthField(std::string_view t) override
    {
        note("max", std::string(t)), StateControls::setMaxLengthField(t);
    }
    void setDuplicationCheck(bool on) override { note("dups", on); }
    void setSideBySideCheck(bool on) override { note("side", on); }
    void setSequentialCheck(bool on) override { note("seq", on); }
    void setCounter(bool on) override { note("counter", on); }
    void setSortDisplay(bool on) override { note("sort", on); }
    void setDictionaryCheck(bool on) override { note("dict", on); }
    void setWholeWord(bool on) override { note("whole", on); }
    void setStrongPasswords(bool on) override { note("strong", on); }
    void selectMethod(GenerationMethod m) override
    {
        note("method", std::string(m == GenerationMethod::RandomCharacters ? "chars" : "words"));
        StateControls::selectMethod(m);
    }
    void setRulesLight(bool green) override
    {
        note("light", std::string(green ? "green" : "grey")), StateControls::setRulesLight(green);
    }
    void refreshReadout() override { calls.push_back("readout"), StateControls::refreshReadout(); }
};

TEST(ApplyOptionsTest, SettingsFileOrder)
{
    OptionState state = unusualState();
    RecordingControls controls(state);
    applySettingsFile(state, controls);
    EXPECT_EQ(controls.calls,
              (std::vector<std::string>{"total:1234567", "min:7", "readout", "max:33", "readout", "dups:0", "side:1",
                                        "seq:1", "counter:0", "sort:0", "dict:1", "whole:0", "strong:1", "method:words",
                                        "light:green", "readout"}));
    EXPECT_TRUE(controls.rulesLight());
}

TEST(ApplyOptionsTest, LastSettingsOrder)
{
    OptionState state;
    RecordingControls controls(state);
    applyLastSettings(state, controls);
    EXPECT_EQ(controls.calls,
              (std::vector<std::string>{"total:25", "min:10", "readout", "max:10", "readout", "dups:1", "side:0",
                                        "seq:0", "counter:1", "sort:1", "strong:0", "method:chars", "readout"}));
}

TEST(ApplyOptionsTest, RulesLightUsesMaximumAfterFieldHandling)
{
    OptionState state;
    state.run.maxLength = 75; // cleared to 0 by the field
    state.rules.rule[1] = 2;
    RecordingControls controls(state);
    applySettingsFile(state, controls);
    EXPECT_EQ(state.run.maxLength, 0);
    EXPECT_FALSE(controls.rulesLight());
    EXPECT_EQ(controls.status(), "Number must be between 1-60");
}

} // namespace
} // namespace quorlix
