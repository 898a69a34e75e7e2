// Pronounceable runs through Execute: into the display and into a series of
// files, with the checks, refusals and ends the other methods have.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "EngineFixture.h"
#include "engine/PronounceableRun.h"
#include "support/TempFolder.h"

namespace quorlix::testing {
namespace {

namespace fs = std::filesystem;

// A dictionary check that rejects what holds one of its words, and notes the
// lengths it was given.
class WordList final : public DictionaryCheck
{
public:
    explicit WordList(std::vector<std::string> words) : m_words(std::move(words)) {}
    void useSingleWindowTexts() override { ++singleWindow; }
    void useMultiFileTexts(std::string) override { ++multiFile; }
    bool accept(std::string_view password, int drawnLength, DictionaryMode) override
    {
        lengths.insert({std::string(password), drawnLength});
        for (const auto& w : m_words)
            if (password.find(w) != std::string_view::npos)
                return false;
        return true;
    }
    std::set<std::pair<std::string, int>> lengths;
    int singleWindow = 0, multiFile = 0;

private:
    std::vector<std::string> m_words;
};

class PronounceableRun : public EngineFixture
{
protected:
    void SetUp() override
    {
        method = GenerationMethod::Pronounceable;
        // What the Random Characters fields say must not matter.
        values = RunValues{3, 60, 1};
        surface.logRepaint = false;
    }
    // Two letters, nothing else: the 80 open syllables.
    void openSyllablesOnly()
    {
        pronounceable.minLength = pronounceable.maxLength = 2;
        pronounceable.capital = CapitalStyle::None;
        pronounceable.digitCount = 0;
    }
};

TEST_F(PronounceableRun, FillsTheDisplayWithPasswordsOfTheSettings)
{
    pronounceable.totalPasswords = 60;
    execute();
    ASSERT_EQ(list.count(), 60u);
    const std::regex shape("([BDFGHJKMNPRSTVWZ][aeiou][bdfgkmnprst]?|[2-9]{2}-[BDFGHJKMNPRSTVWZ][aeiou][bdfgkmnprst]?)"
                           "(-([bdfghjkmnprstvwz][aeiou][bdfgkmnprst]?|[2-9]{2}))*");
    for (const std::string& pw : rows()) {
        EXPECT_TRUE(std::regex_match(pw, shape)) << pw;
        const auto letters = pw.size() - static_cast<std::size_t>(std::count(pw.begin(), pw.end(), '-'));
        EXPECT_GE(letters, 15u) << pw;
        EXPECT_LE(letters, 17u) << pw;
    }
    EXPECT_EQ(surface.status, "Complete");
    EXPECT_EQ(surface.counter, "60 of 60");
    EXPECT_EQ(surface.countdown, "0:00:00");
    EXPECT_TRUE(boxes.shown.empty());
}

// Refused before the display is touched, with the texts of the other methods
// where they say the same, each naming what to change.
TEST_F(PronounceableRun, RefusalsLeaveTheDisplay)
{
    const std::vector<std::pair<std::function<void(PronounceableSettings&)>, std::string>> cases{
        {[](PronounceableSettings& s) { s.totalPasswords = 0; },
         " Password amount must be between 1 and 10,000,000 (10 Million)"},
        {[](PronounceableSettings& s) { s.totalPasswords = 10'000'001; },
         " Password amount must be between 1 and 10,000,000 (10 Million)"},
        {[](PronounceableSettings& s) { s.minLength = 9, s.maxLength = 8; },
         "Maximum 'Total Characters' number must be greater than minimum number"},
        {[](PronounceableSettings& s) { s.maxLength = 61; }, " Amount of characters must be between 1 (min) and 60 (max)"},
        {[](PronounceableSettings& s) { s.minLength = 0; }, " Amount of characters must be between 1 (min) and 60 (max)"},
        {[](PronounceableSettings& s) { s.digitCount = 10; }, " Digits must be between 0 and 9"},
        {[](PronounceableSettings& s) { s.minLength = 3, s.maxLength = 4, s.symbol = true; },
         "No pronounceable password has from 3 to 4 characters with these settings: the shortest has 5 (a syllable "
         "of two letters, the digits and the symbol). Raise the maximum to 5 or more."},
        {[](PronounceableSettings& s) { s.minLength = s.maxLength = 1, s.digitCount = 0, s.symbol = false; },
         "No pronounceable password has 1 character with these settings: the shortest has 2 (a syllable of two "
         "letters, the digits and the symbol). Raise the maximum to 2 or more."},
        {[](PronounceableSettings& s) {
             s.totalPasswords = 81, s.minLength = s.maxLength = 2, s.digitCount = 0, s.capital = CapitalStyle::None;
         },
         "Cannot make 81 different passwords: the current settings allow at most 80 different passwords, and the "
         "duplication check allows no repeats. Request 80 or fewer, allow more characters, words or lengths, or "
         "switch off the duplication check."},
    };
    for (const auto& [change, text] : cases) {
        SCOPED_TRACE(text);
        pronounceable = PronounceableSettings{};
        change(pronounceable);
        list.clear();
        list.add("kept");
        boxes.shown.clear();
        execute();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{text});
        EXPECT_EQ(rows(), std::vector<std::string>{"kept"});
    }
}

// The whole language of 80, each once: the duplication check finds the last
// ones among the first; the display sorts them.
TEST_F(PronounceableRun, DuplicationCheckAndSortingApply)
{
    openSyllablesOnly();
    pronounceable.totalPasswords = 80;
    checks.duplication = true;
    checks.sortDisplay = true;
    execute();
    ASSERT_EQ(list.count(), 80u);
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < list.count(); ++i)
        shown.emplace_back(list.row(i));
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()).size(), 80u);
}

// The dictionary check sees each candidate with its length without the
// separators, and what it rejects is drawn again.
TEST_F(PronounceableRun, DictionaryCheckRejectsWords)
{
    pronounceable.totalPasswords = 300;
    pronounceable.separator = SyllableSeparator::Dot;
    pronounceable.capital = CapitalStyle::None;
    checks.dictionary = true;
    WordList dictionary({"ba", "ko"});
    execute(&dictionary);
    ASSERT_EQ(list.count(), 300u);
    for (const std::string& pw : rows()) {
        EXPECT_EQ(pw.find("ba"), std::string::npos) << pw;
        EXPECT_EQ(pw.find("ko"), std::string::npos) << pw;
    }
    EXPECT_EQ(dictionary.singleWindow, 1);
    ASSERT_GT(dictionary.lengths.size(), 300u); // some were rejected
    for (const auto& [pw, length] : dictionary.lengths)
        EXPECT_EQ(length, static_cast<int>(pw.size() - static_cast<std::size_t>(std::count(pw.begin(), pw.end(), '.'))))
            << pw;
}

TEST_F(PronounceableRun, StopKeepsWhatWasMade)
{
    pronounceable.totalPasswords = 1000;
    boxes.answers = {Answer::Ok};
    surface.onProcessEvents = [this] {
        if (list.count() == 10)
            state.stopRequested = 1;
    };
    execute();
    EXPECT_EQ(list.count(), 10u);
    EXPECT_EQ(surface.status, "Stopped by User");
    EXPECT_EQ(surface.heading, "Generated Passwords");
}

// A series of files: every file full, without repeats within a file, text sorted.
TEST_F(PronounceableRun, SeriesOfFiles)
{
    const TempFolder dir;
    multiFile.active = 1;
    multiFile.filePreface = "pr";
    multiFile.directory = dir.string() + "/";
    multiFile.totalFiles = 3;
    multiFile.fileType = "txt";
    boxes.answers = {Answer::Yes};
    openSyllablesOnly();
    pronounceable.totalPasswords = 80;
    checks.duplication = checks.sortDisplay = true;
    execute();
    for (int f = 1; f <= 3; ++f) {
        std::ifstream in(dir / ("pr" + std::to_string(f) + ".txt"), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(text.substr(at, end - at));
        ASSERT_EQ(lines.size(), 80u) << f;
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
        EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 80u);
    }
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(surface.status, "Complete");
    EXPECT_NE(boxes.texts().front().find("This execution will be using the 'Pronounceable' method"),
              std::string::npos);
}

} // namespace
} // namespace quorlix::testing
