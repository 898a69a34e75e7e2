#include <gtest/gtest.h>

#include <algorithm>

#include "WordsTestSupport.h"

namespace quorlix {
namespace {

using test::makeTables;
using test::WordRunFixture;

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size() && (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

struct SeriesFixture : WordRunFixture {
    explicit SeriesFixture(std::vector<double> draws = {0, 0, 0.0, 0.5, 0.34, 0.999999, 0.999, 0.999, 0.5})
        : WordRunFixture(std::move(draws))
    {
        source.words = makeTables({{'A', {"APPLE", "Arch"}}, {'B', {"Boat"}}, {'C', {"Cat", "cow", "CRAB"}}});
        settings.duplicationCheck = false;
        checks.sortDisplay = false;
    }
    WordRunEnd run(const std::string& type, int files)
    {
        WordRunContext c = context();
        return SaveMultiFileWords(c, MultiFileSettings{1, "pw", static_cast<std::int16_t>(files), dir.folder(), type});
    }
};

// Every text file is sorted after the whole series is written.
TEST(SaveMultiFileWords, TextSeriesLowerCaseWithNumberSuffixProgressAndSorting)
{
    SeriesFixture f;
    f.settings.totalPasswords = 2;
    f.settings.separator = "X";
    f.settings.randomUppercase = true; // not used in this mode
    f.checks.sortDisplay = true;
    ASSERT_EQ(f.run("txt", 3), WordRunEnd::Completed);
    EXPECT_TRUE(f.boxes.shown.empty());
    // Per password: word, word, then Int(9990 * Rnd + 10).
    EXPECT_EQ(f.dir.read("pw1.txt"), "applexarch3406\r\ncrabxcow10\r\n");
    for (int n = 2; n <= 3; ++n) {
        const auto lines = splitLines(f.dir.read("pw" + std::to_string(n) + ".txt"));
        EXPECT_EQ(lines.size(), 2u);
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    }
    EXPECT_EQ(f.surface.callsStartingWith("setProgress:"),
              (std::vector<std::string>{"setProgress:33", "setProgress:67", "setProgress:100", "setProgress:100"}));
    EXPECT_EQ(f.surface.callsStartingWith("setStatus:"),
              (std::vector<std::string>{"setStatus:Writing to File: pw1.txt", "setStatus:Writing to File: pw2.txt",
                                        "setStatus:Writing to File: pw3.txt", "setStatus:Sorting File: pw1.txt",
                                        "setStatus:Sorting File: pw2.txt", "setStatus:Sorting File: pw3.txt",
                                        "setStatus:Complete"}));
    EXPECT_EQ(f.log[0], "setCountdownTimerEnabled:0");
    EXPECT_EQ(f.log[1], "setCountdown:Deactivated");
    EXPECT_EQ(f.list.count(), 0u);
}

TEST(SaveMultiFileWords, NumberSuffixReachesBothEndsOrIsLeftOff)
{
    for (const auto& [draw, numbers, line] : std::vector<std::tuple<double, bool, std::string>>{
             {0.0, true, "apple10"}, {0.9999999, true, "apple9999"}, {0.0, false, "apple"}}) {
        SeriesFixture f({0, 0, draw});
        f.settings.totalPasswords = 1;
        f.settings.wordsPerPassword = 1;
        f.settings.randomNumbers = numbers;
        ASSERT_EQ(f.run("txt", 1), WordRunEnd::Completed);
        EXPECT_EQ(f.dir.read("pw1.txt"), line + "\r\n");
    }
}

TEST(SaveMultiFileWords, WarningForUnsortableTypesOrDuplicationCheck)
{
    const std::vector<std::string> warning = {
        "Because Multi-File passwords are written directly to the disk as they are created, only text (.TXT) "
        "file formats can be sorted. In addition, duplication check cannot be performed in multi-file mode when "
        "using the 'Random Words' method."};
    // type, sort, duplication check, warned
    for (const auto& [type, sort, dups, warned] : std::vector<std::tuple<std::string, bool, bool, bool>>{
             {"csv", true, false, true}, {"htm", false, false, false}, {"txt", true, false, false},
             {"txt", false, true, true}}) {
        SeriesFixture f;
        f.settings.totalPasswords = 2;
        f.settings.duplicationCheck = dups;
        f.checks.sortDisplay = sort;
        ASSERT_EQ(f.run(type, 1), WordRunEnd::Completed);
        EXPECT_EQ(f.boxes.texts(), warned ? warning : std::vector<std::string>{}) << type;
        EXPECT_TRUE(std::filesystem::exists(f.dir.folder() + "pw1." + type));
        EXPECT_EQ(f.surface.callsStartingWith("setStatus:Sorting").size(), type == "txt" && sort ? 1u : 0u);
    }
}

TEST(SaveMultiFileWords, StopKeepsTheUnfinishedFileAndMakesNoMore)
{
    SeriesFixture f;
    f.settings.totalPasswords = 3;
    f.settings.wordsPerPassword = 1;
    f.checks.sortDisplay = true;
    // Per file one event, per password two: file 2's second password ends at event 12.
    f.surface.onProcessEvents = [&] {
        if (f.surface.processEventsCount == 12)
            f.state.stopRequested = 1;
    };
    ASSERT_EQ(f.run("txt", 4), WordRunEnd::Stopped);
    ASSERT_EQ(f.boxes.shown.size(), 1u);
    EXPECT_NE(f.boxes.shown[0].text.find("has produced 2 of 3 requested"), std::string::npos);
    EXPECT_EQ(splitLines(f.dir.read("pw1.txt")).size(), 3u);
    EXPECT_EQ(splitLines(f.dir.read("pw2.txt")).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw3.txt"));
    EXPECT_EQ(f.after("message:" + f.boxes.shown[0].text).back(), "setMethodOptionsEnabled:1");
}

TEST(SaveMultiFileWords, RefusalsTouchNoFile)
{
    const std::string failed = "failed:@wordlist_english_abridged.dct:"; // @: the folder
    const std::vector<std::tuple<std::string, Status, WordRunEnd, std::string>> rows{
        {"missing.dct", Status::ok(), WordRunEnd::Refused, "@missing.dct not found in folder."},
        {"", Status::invalidFileName("bad name"), WordRunEnd::Failed, failed + "bad name:multi"},
        {"", Status::ok(), WordRunEnd::Failed, failed + "The dictionary holds no words.:multi"}}; // empty
    for (auto [dictionary, failure, end, text] : rows) {
        SeriesFixture f;
        f.source.failure = failure;
        if (dictionary.empty() && failure.isOk())
            f.source.words = WordTables{};
        else if (!dictionary.empty())
            f.settings.dictionary = dictionary;
        ASSERT_EQ(f.run("txt", 2), end);
        text.replace(text.find('@'), 1, f.dir.folder());
        ASSERT_EQ(f.boxes.shown.size(), 1u);
        EXPECT_EQ(f.boxes.shown[0].text.substr(0, text.size()), text);
        EXPECT_FALSE(std::filesystem::exists(f.dir.folder() + "pw1.txt"));
    }
}

// A finished text file that cannot be sorted (here a folder took its name
// while the next file was written): the message names it and the reason, and
// the run has failed rather than completed.
TEST(SaveMultiFileWords, FailedSortSaysWhichFileAndWhy)
{
    SeriesFixture f;
    f.settings.totalPasswords = 2;
    f.checks.sortDisplay = true;
    const std::string first = f.dir.folder() + "pw1.txt";
    f.surface.onProcessEvents = [&] {
        if (f.surface.status == "Writing to File: pw2.txt" && std::filesystem::is_regular_file(first)) {
            std::filesystem::remove(first);
            std::filesystem::create_directory(first);
        }
    };
    EXPECT_EQ(f.run("txt", 2), WordRunEnd::Failed);
    ASSERT_EQ(f.boxes.shown.size(), 1u);
    EXPECT_EQ(f.boxes.shown[0].text, first + " could not be sorted. " + first +
                                         " is a folder, not a text file.\r\nIt is kept as it was written, unsorted.");
    EXPECT_NE(f.surface.status, "Complete");
}

TEST(SaveMultiFileWords, TooFewWordsWarnsAndGoesOn)
{
    SeriesFixture f;
    f.settings.totalPasswords = 7;
    f.settings.wordsPerPassword = 1;
    f.settings.duplicationCheck = true;
    ASSERT_EQ(f.run("txt", 1), WordRunEnd::Completed);
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_NE(f.boxes.shown[1].text.find("contains a total of 6 words. You have requested 7 passwords"),
              std::string::npos);
    EXPECT_EQ(splitLines(f.dir.read("pw1.txt")).size(), 7u);
}

} // namespace
} // namespace quorlix
