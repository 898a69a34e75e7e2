#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace quorlix::testing {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> crlfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no CRLF>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

const std::string kErrorText =
    " Error Occured...Results may be less than requested. Please Investigate Possible Causes:\r\n\r\n     - Too many "
    "passwords requested for the amount of characters requested.\r\n     - Out of Memory (lower amount).\r\n     - "
    "Invalid characters used (i.e letters not numbers).";

class MultiFileTest : public EngineFixture {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorlix-multifile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        multiFile.active = 1;
        multiFile.filePreface = "pw";
        multiFile.directory = dir.string() + "/";
        values.totalPasswords = 10;
        values.minLength = 8;
        values.maxLength = 8;
        surface.logRepaint = false;
        boxes.answers = {Answer::Yes};
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(MultiFileTest, CsvSeriesWithHeadersPasswordsAndClosingLines)
{
    multiFile.totalFiles = 3;
    multiFile.fileType = "csv";
    checks.duplication = false;
    checks.sortDisplay = false;
    execute();
    ASSERT_EQ(boxes.shown.size(), 1u); // the question only: no sort warning with both switches off
    for (int f = 1; f <= 3; ++f) {
        const fs::path path = dir / ("pw" + std::to_string(f) + ".csv");
        ASSERT_TRUE(fs::exists(path)) << path;
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        const auto lines = crlfLines(readFile(path));
        ASSERT_EQ(lines.size(), 18u);
        EXPECT_EQ(lines[0], "\"Quorlix\"");
        EXPECT_EQ(lines[3], "\"Last Name\",\"First Name\",\"Password\"");
        for (int i = 4; i < 14; ++i) {
            ASSERT_EQ(lines[i].size(), 16u) << lines[i];
            EXPECT_EQ(lines[i].substr(0, 7), "\"\",\"\",\"");
        }
        EXPECT_EQ(lines[15], "\"Created by: Quorlix\"");
    }
    EXPECT_FALSE(fs::exists(dir / "pw4.csv"));
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(surface.callsStartingWith("setProgress:"),
              (std::vector<std::string>{"setProgress:0", "setProgress:33", "setProgress:67", "setProgress:100",
                                        "setProgress:100"}));
    EXPECT_EQ(surface.callsStartingWith("setStatus:"),
              (std::vector<std::string>{"setStatus:Writing to File: pw1.csv", "setStatus:Writing to File: pw2.csv",
                                        "setStatus:Writing to File: pw3.csv", "setStatus:Complete"}));
    EXPECT_TRUE(surface.called("setCountdown:Deactivated"));
    EXPECT_FALSE(surface.called("setCountdownTimerEnabled:1"));
    EXPECT_EQ(surface.counter, "10");
    EXPECT_EQ(log.back(), "setMethodOptionsEnabled:1");
    EXPECT_FALSE(surface.called("selectFirstRow"));
}

TEST_F(MultiFileTest, HtmSeriesHasAPasswordRowPerPassword)
{
    multiFile.totalFiles = 2;
    multiFile.fileType = "htm";
    execute();
    for (int f = 1; f <= 2; ++f) {
        const auto lines = crlfLines(readFile(dir / ("pw" + std::to_string(f) + ".htm")));
        ASSERT_GT(lines.size(), 30u);
        EXPECT_EQ(lines.front(), "<HTML>");
        EXPECT_EQ(lines.back(), "</HTML>");
        const auto rows = std::count_if(lines.begin(), lines.end(),
                                        [](const std::string& line) { return line.ends_with("</TD><TR>"); });
        EXPECT_EQ(rows, 10);
    }
    EXPECT_EQ(surface.status, "Complete");
}

struct WarningRow {
    const char* type;
    bool duplication;
    bool sort;
    bool warned;
};

TEST_F(MultiFileTest, OnlyTextSortsWarning)
{
    const std::vector<WarningRow> rows{{"csv", true, false, true},  {"htm", false, true, true},
                                       {"csv", false, false, false}, {"txt", true, true, false},
                                       {"mdb", true, false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.type) + (row.duplication ? " dup" : "") + (row.sort ? " sort" : ""));
        multiFile.totalFiles = 2;
        multiFile.fileType = row.type;
        checks.duplication = row.duplication;
        checks.sortDisplay = row.sort;
        boxes.shown.clear();
        boxes.answers = {Answer::Yes};
        const MultiFileHooks hooks{[](const std::string&, ListFormat, Status*) -> std::unique_ptr<ListWriter> {
                                       return nullptr;
                                   },
                                   nullptr};
        execute(nullptr, nullptr, &hooks);
        ASSERT_EQ(boxes.shown.size(), row.warned ? 3u : 2u);
        if (row.warned) {
            EXPECT_EQ(boxes.shown[1].text, "Because Multi-File passwords are written directly to the disk as they are "
                                           "created, only text (.TXT) file formats can be sorted.");
        }
        EXPECT_EQ(boxes.shown.back().text, kErrorText);
    }
}

TEST_F(MultiFileTest, TextSeriesIsSortedAfterAllFilesAreWritten)
{
    multiFile.totalFiles = 3;
    multiFile.fileType = "txt";
    checks.sortDisplay = true;
    execute();
    for (int f = 1; f <= 3; ++f) {
        const auto lines = crlfLines(readFile(dir / ("pw" + std::to_string(f) + ".txt")));
        ASSERT_EQ(lines.size(), 10u);
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
        EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()); // duplication within the file
    }
    const auto statuses = surface.callsStartingWith("setStatus:");
    const std::vector<std::string> tail(statuses.end() - 4, statuses.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"setStatus:Sorting File: pw1.txt", "setStatus:Sorting File: pw2.txt",
                                              "setStatus:Sorting File: pw3.txt", "setStatus:Complete"}));
}

TEST_F(MultiFileTest, StopDuringSecondFileKeepsWhatWasWritten)
{
    multiFile.totalFiles = 4;
    multiFile.fileType = "txt";
    checks.sortDisplay = true;
    // Stop while password 7 of file 2 is drawn.
    surface.onProcessEvents = [this] {
        if (surface.status == "Writing to File: pw2.txt" && surface.counter == "6")
            state.stopRequested = 1;
    };
    boxes.answers = {Answer::Yes, Answer::Ok};
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    const std::string prompt = boxes.shown[1].text;
    EXPECT_EQ(prompt, "Warning:  You have selected to stop the password generation process. This run has produced 1 "
                      "of 4 Files. The current file has produced 7 of 10 requested passwords at the time you have "
                      "elected to stop.\r\n\r\nSelect 'OK' to terminate this run.\r\n\r\nSelect 'Cancel' to continue "
                      "with this run.");
    EXPECT_EQ(boxes.shown[1].buttons, Buttons::OkCancel);
    EXPECT_EQ(crlfLines(readFile(dir / "pw1.txt")).size(), 10u);
    EXPECT_EQ(crlfLines(readFile(dir / "pw2.txt")).size(), 6u); // without closing lines (none in TXT)
    EXPECT_FALSE(fs::exists(dir / "pw3.txt"));
    EXPECT_FALSE(fs::exists(dir / "pw4.txt"));
    EXPECT_EQ(surface.status, "Stopped By User");
    EXPECT_FALSE(surface.called("setStatus:Sorting File: pw1.txt"));
    EXPECT_FALSE(surface.called("setMethodOptionsEnabled:1"));
    const auto at = std::find(log.begin(), log.end(), "message:" + prompt);
    const CallLog tail(at + 1, log.end());
    EXPECT_EQ(tail, (CallLog{"setCounter:7", "enableOn", "setStopEnabled:0", "setExecuteEnabled:1",
                             "setStatus:Stopped By User"}));
}

TEST_F(MultiFileTest, CancelledStopStillWritesEveryPassword)
{
    multiFile.totalFiles = 2;
    multiFile.fileType = "txt";
    values.minLength = 3;
    values.maxLength = 3;
    surface.onProcessEvents = [this, pressed = false]() mutable {
        if (!pressed && surface.counter == "4") {
            pressed = true;
            state.stopRequested = 1;
        }
    };
    boxes.answers = {Answer::Yes, Answer::Cancel};
    execute();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(crlfLines(readFile(dir / "pw1.txt")).size(), 10u);
    EXPECT_EQ(crlfLines(readFile(dir / "pw2.txt")).size(), 10u);
    EXPECT_EQ(surface.status, "Complete");
}

// A writer that fails part-way: the run ends with the error text and an
// earlier file of that name is left as it was.
class FailingWriter : public ListWriter {
public:
    void begin() override {}
    void add(std::string_view) override
    {
        if (++m_added == 3)
            throw std::runtime_error("disk full");
    }
    Status finish() override { return Status::ok(); }
    Status closeUnfinished() override { return Status::ok(); }
    void discard() override { ++discarded; }
    static inline int discarded = 0;

private:
    int m_added = 0;
};

TEST_F(MultiFileTest, WriterFailureEndsWithErrorAndKeepsOldFile)
{
    multiFile.totalFiles = 3;
    multiFile.fileType = "txt";
    {
        std::ofstream old(dir / "pw2.txt", std::ios::binary);
        old << "old list\r\n";
    }
    const MultiFileHooks hooks{[](const std::string& path, ListFormat format, Status* error) {
                                   if (path.find("pw2.txt") != std::string::npos)
                                       return std::unique_ptr<ListWriter>(new FailingWriter);
                                   return openListFile(path, format, error);
                               },
                               nullptr};
    FailingWriter::discarded = 0;
    execute(nullptr, nullptr, &hooks);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, kErrorText);
    EXPECT_EQ(boxes.shown[1].icon, Icon::Exclamation);
    EXPECT_EQ(FailingWriter::discarded, 1);
    EXPECT_EQ(crlfLines(readFile(dir / "pw1.txt")).size(), 10u);
    EXPECT_EQ(readFile(dir / "pw2.txt"), "old list\r\n");
    EXPECT_FALSE(fs::exists(dir / "pw3.txt"));
    const auto at = std::find(log.begin(), log.end(), "message:" + kErrorText);
    EXPECT_EQ(CallLog(at + 1, log.end()),
              (CallLog{"enableOn", "setExecuteEnabled:1", "setStopEnabled:0", "setMethodOptionsEnabled:1"}));
}

TEST_F(MultiFileTest, UnwritableFolderEndsWithError)
{
    multiFile.totalFiles = 2;
    multiFile.fileType = "csv";
    multiFile.directory = (dir / "missing" / "").string();
    execute();
    ASSERT_EQ(boxes.shown.size(), 3u); // question, the sort warning, the error
    EXPECT_EQ(boxes.shown[2].text, kErrorText);
}

// An unknown type writes nothing and completes.
TEST_F(MultiFileTest, UnknownTypeWritesNothing)
{
    multiFile.totalFiles = 2;
    multiFile.fileType = "doc";
    execute();
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(surface.status, "Complete");
    EXPECT_EQ(surface.progress, 100);
}

} // namespace
} // namespace quorlix::testing
