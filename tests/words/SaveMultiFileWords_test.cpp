#include <gtest/gtest.h>

#include <algorithm>

#include "WordRunsTestSupport.h"

namespace quorlix {
namespace {

using test::makeTables;
using test::WordRunFixture;

WordTables capitals() { return makeTables({{'A', {"APPLE", "Arch"}}, {'B', {"Boat"}}, {'C', {"Cat", "cow", "CRAB"}}}); }

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

struct SeriesFixture : WordRunFixture {
    SeriesFixture() : WordRunFixture({0, 0, 0.0, 0.5, 0.34, 0.999999, 0.999, 0.999, 0.5}) { source.words = capitals(); }
    MultiFileSettings series(const std::string& type, int count)
    {
        MultiFileSettings m;
        m.active = 1;
        m.directory = dir.folder();
        m.filePreface = "pw";
        m.totalFiles = static_cast<std::int16_t>(count);
        m.fileType = type;
        return m;
    }
};

TEST(SaveMultiFileWords, TextSeriesLowerCaseWithNumberSuffixAndProgress)
{
    SeriesFixture f;
    f.settings.totalPasswords = 2;
    f.settings.separator = "X";
    f.settings.randomUppercase = true; // not used in this mode
    f.settings.duplicationCheck = false;
    f.checks.sortDisplay = false;
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 3)), WordRunEnd::Completed);
    EXPECT_TRUE(f.boxes.shown.empty());
    // Per password: word, word, then Int(9990 * Rnd + 10).
    // apple x arch 3406 / crab x cow 10 / ...
    std::vector<std::string> all;
    for (int n = 1; n <= 3; ++n) {
        const auto lines = splitLines(f.dir.read("pw" + std::to_string(n) + ".txt"));
        EXPECT_EQ(lines.size(), 2u);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0], "applexarch3406");
    EXPECT_EQ(all[1], "crabxcow10");
    for (const auto& line : all) {
        EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) << line;
        std::size_t digits = 0;
        while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[line.size() - 1 - digits])))
            ++digits;
        ASSERT_GE(digits, 2u) << line;
        ASSERT_LE(digits, 4u) << line;
        const int number = std::stoi(line.substr(line.size() - digits));
        EXPECT_GE(number, 10);
        EXPECT_LE(number, 9999);
    }
    EXPECT_EQ(f.log.starting("progress:"),
              (std::vector<std::string>{"progress:33", "progress:67", "progress:100", "progress:100"}));
    EXPECT_EQ(f.log.starting("status:"),
              (std::vector<std::string>{"status:Writing to File: pw1.txt", "status:Writing to File: pw2.txt",
                                        "status:Writing to File: pw3.txt", "status:Complete"}));
    EXPECT_EQ(f.log.calls.front(), "timer:off");
    EXPECT_EQ(f.log.calls[1], "countdown:Deactivated");
    EXPECT_EQ(f.list.count(), 0u);
}

TEST(SaveMultiFileWords, NoNumbersWhenSwitchedOff)
{
    SeriesFixture f;
    f.settings.totalPasswords = 3;
    f.settings.randomNumbers = false;
    f.settings.duplicationCheck = false;
    f.settings.wordsPerPassword = 1;
    f.checks.sortDisplay = false;
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 1)), WordRunEnd::Completed);
    for (const auto& line : splitLines(f.dir.read("pw1.txt")))
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(line.back()))) << line;
}

TEST(SaveMultiFileWords, NumberSuffixReachesBothEnds)
{
    for (const auto& [draw, line] : std::vector<std::pair<double, std::string>>{{0.0, "apple10"},
                                                                                {0.9999999, "apple9999"}}) {
        WordRunFixture f({0, 0, draw});
        f.source.words = capitals();
        f.settings.totalPasswords = 1;
        f.settings.wordsPerPassword = 1;
        f.settings.duplicationCheck = false;
        f.checks.sortDisplay = false;
        MultiFileSettings m{1, "pw", 1, f.dir.folder(), "txt"};
        WordRunContext run = f.context();
        ASSERT_EQ(SaveMultiFileWords(run, m), WordRunEnd::Completed);
        EXPECT_EQ(f.dir.read("pw1.txt"), line + "\r\n");
    }
}

TEST(SaveMultiFileWords, SortsEveryTextFileAfterTheSeries)
{
    SeriesFixture f;
    f.settings.totalPasswords = 4;
    f.settings.duplicationCheck = false;
    f.checks.sortDisplay = true;
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 2)), WordRunEnd::Completed);
    for (int n = 1; n <= 2; ++n) {
        const auto lines = splitLines(f.dir.read("pw" + std::to_string(n) + ".txt"));
        EXPECT_EQ(lines.size(), 4u);
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    }
    EXPECT_EQ(f.log.starting("status:"),
              (std::vector<std::string>{"status:Writing to File: pw1.txt", "status:Writing to File: pw2.txt",
                                        "status:Sorting File: pw1.txt", "status:Sorting File: pw2.txt",
                                        "status:Complete"}));
}

struct WarningRow {
    const char* type;
    bool sort;
    bool dups;
    bool warned;
};

class MultiFileWarning : public ::testing::TestWithParam<WarningRow> {};

TEST_P(MultiFileWarning, ShownForUnsortableTypesOrDuplicationCheck)
{
    SeriesFixture f;
    f.settings.totalPasswords = 2;
    f.settings.duplicationCheck = GetParam().dups;
    f.checks.sortDisplay = GetParam().sort;
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series(GetParam().type, 1)), WordRunEnd::Completed);
    const std::vector<std::string> warning = {
        "box:Because Multi-File passwords are written directly to the disk as they are created, only text (.TXT) "
        "file formats can be sorted. In addition, duplication check cannot be performed in multi-file mode when "
        "using the 'Random Words' method."};
    EXPECT_EQ(f.log.starting("box:"), GetParam().warned ? warning : std::vector<std::string>{});
    // csv and htm files are never sorted.
    EXPECT_TRUE(f.log.starting("status:Sorting").empty() || std::string(GetParam().type) == "txt");
}

INSTANTIATE_TEST_SUITE_P(Rows, MultiFileWarning,
                         ::testing::Values(WarningRow{"csv", true, false, true}, WarningRow{"csv", false, false, false},
                                           WarningRow{"htm", true, false, true}, WarningRow{"txt", true, false, false},
                                           WarningRow{"txt", false, true, true}, WarningRow{"csv", false, true, true}));

TEST(SaveMultiFileWords, CsvAndHtmlHoldEveryPassword)
{
    for (const char* type : {"csv", "htm"}) {
        SeriesFixture f;
        f.settings.totalPasswords = 3;
        f.settings.duplicationCheck = false;
        f.checks.sortDisplay = false;
        WordRunContext run = f.context();
        ASSERT_EQ(SaveMultiFileWords(run, f.series(type, 2)), WordRunEnd::Completed);
    }
}

TEST(SaveMultiFileWords, StopKeepsTheUnfinishedFileAndMakesNoMore)
{
    SeriesFixture f;
    f.settings.totalPasswords = 3;
    f.settings.duplicationCheck = false;
    f.settings.wordsPerPassword = 1;
    f.checks.sortDisplay = true;
    // Per file one event, per password two: file 2's second password ends at event 12.
    f.surface.onEvents = [&](long n) {
        if (n == 12)
            f.state.stopRequested = 1;
    };
    f.boxes.answers = {Answer::Ok};
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 4)), WordRunEnd::Stopped);
    ASSERT_EQ(f.boxes.shown.size(), 1u);
    EXPECT_NE(f.boxes.shown[0].text.find("has produced 2 of 3 requested"), std::string::npos);
    EXPECT_EQ(splitLines(f.dir.read("pw1.txt")).size(), 3u);
    EXPECT_EQ(splitLines(f.dir.read("pw2.txt")).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw3.txt"));
    const auto at = std::find(f.log.calls.begin(), f.log.calls.end(), "box:" + f.boxes.shown[0].text);
    const std::vector<std::string> tail(at + 1, f.log.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"counter:2 of 3", "timer:off", "countdown:0:00:00", "stop:off",
                                              "execute:on", "heading:Generated Passwords", "status:Stopped by User",
                                              "methods:on"}));
}

TEST(SaveMultiFileWords, RefusalsTouchNoFile)
{
    {
        SeriesFixture f;
        f.settings.dictionary = "missing.dct";
        f.settings.duplicationCheck = false;
        WordRunContext run = f.context();
        ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 2)), WordRunEnd::Refused);
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text.rfind(f.dir.folder() + "missing.dct not found in folder.", 0), 0u);
        EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw1.txt"));
    }
    {
        SeriesFixture f;
        f.settings.duplicationCheck = false;
        f.source.failure = Status::invalidFileName("bad name");
        WordRunContext run = f.context();
        ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 2)), WordRunEnd::Failed);
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text,
                  "failed:" + f.dir.folder() + "wordlist_english_abridged.dct:bad name:multi");
        EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw1.txt"));
    }
    {
        SeriesFixture f;
        f.settings.duplicationCheck = false;
        WordRunContext run = f.context();
        ASSERT_EQ(SaveMultiFileWords(run, f.series("doc", 2)), WordRunEnd::Completed);
        EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw1.doc"));
        EXPECT_EQ(f.log.starting("status:"), std::vector<std::string>{"status:Complete"});
    }
}

TEST(SaveMultiFileWords, TooFewWordsWarnsAndGoesOn)
{
    SeriesFixture f;
    f.settings.totalPasswords = 7;
    f.settings.wordsPerPassword = 1;
    f.checks.sortDisplay = false;
    WordRunContext run = f.context();
    ASSERT_EQ(SaveMultiFileWords(run, f.series("txt", 1)), WordRunEnd::Completed);
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_NE(f.boxes.shown[1].text.find("contains a total of 6 words. You have requested 7 passwords"),
              std::string::npos);
    EXPECT_EQ(splitLines(f.dir.read("pw1.txt")).size(), 7u);
}

} // namespace
} // namespace quorlix
