#include "output/SaveAs.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace quorlix {
namespace {

namespace fs = std::filesystem;

// Keeps every call of the window, the message boxes and the shell in one log.
class Recorder : public MessageBoxes, public MainWindowSurface, public Shell, public SaveAsDialogs {
public:
    using MessageBoxes::show;
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override
    {
        log.push_back("box[" + std::string(title) + "," + std::to_string(static_cast<int>(icon)) + "," +
                      std::to_string(static_cast<int>(buttons)) + "]:" + std::string(text));
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void setStatus(std::string_view text) override { log.push_back("status:" + std::string(text)); }
    void setHeading(std::string_view) override {}
    void setCounter(std::string_view) override {}
    void setCountdown(std::string_view) override {}
    void showCountdown() override {}
    void setCountdownTimerEnabled(bool) override {}
    void setProgress(int) override {}
    void setExecuteEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    void enableOff() override { log.push_back("enableOff"); }
    void enableOn() override { log.push_back("enableOn"); }
    void repaintList() override {}
    void selectFirstRow() override {}
    void setMethodOptionsEnabled(bool) override {}
    bool isMinimized() const override { return false; }
    void setWindowTitle(std::string_view) override {}
    void processEvents() override {}

    Status openFile(const std::string& path) override
    {
        log.push_back("open:" + path);
        return shellFails ? Status::ioError("no viewer") : Status::ok();
    }
    void showSaveAsNotice() override { log.push_back("notice"); }
    std::optional<ChosenFile> chooseSaveFile(std::string_view caption, std::string_view filter) override
    {
        log.push_back("dialog:" + std::string(caption) + "|" + std::string(filter));
        return chosen;
    }

    std::vector<std::string> log;
    std::deque<Answer> answers;
    bool shellFails = false;
    std::optional<ChosenFile> chosen;
};

const std::string kExcl = "box[Quorlix,1,0]:";    // exclamation, OK
const std::string kExclYn = "box[Quorlix,1,2]:";  // exclamation, Yes/No
const std::string kViewTxt = "Do you wish to View/Edit this file now using your default text viewer?";
const std::string kViewCsv = "Do you wish to launch MS-Excel to view this file now?";
const std::string kViewHtm = "Do you wish to launch your default web browser to view this file now?";
const std::string kViewMdb = "Do you wish to launch MS-Access to view this file now?";
const std::string kUnrecognized =
    "Unrecognized file type. Please verify the type of file you wish to save these password with and try again.";

class SaveAsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("quorlix-saveas-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        list.add("b2");
        list.add("a1");
    }
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        fs::remove_all(dir);
    }
    std::string slurp(const std::string& name) const
    {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    ChosenFile file(const std::string& title) const { return {(dir / title).string(), title}; }

    fs::path dir;
    ResultList list;
    Recorder rec;
    int yields = 0;
    SaveContext ctx{rec, rec, rec, [this] { ++yields; }};
};

struct TypeCase {
    const char* title;
    const char* savingText; // empty: refused
    const char* firstBytes;
};

class SaveAsTypes : public SaveAsTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(SaveAsTypes, TypeComesFromTheLastThreeCharacters)
{
    const TypeCase& c = GetParam();
    saveChosenFile(list, 2, file(c.title), ctx);
    ASSERT_GE(rec.log.size(), 2u);
    EXPECT_EQ(rec.log[0], std::string("status:Saving Text File: ") + c.title);
    if (std::string(c.savingText).empty()) {
        EXPECT_EQ(rec.log, (std::vector<std::string>{rec.log[0], kExcl + kUnrecognized}));
        EXPECT_FALSE(fs::exists(dir / c.title));
    } else {
        EXPECT_EQ(rec.log[1], std::string("status:") + c.savingText + c.title);
        EXPECT_EQ(slurp(c.title).rfind(c.firstBytes, 0), 0u) << slurp(c.title);
    }
}

INSTANTIATE_TEST_SUITE_P(Titles, SaveAsTypes,
                         ::testing::Values(TypeCase{"a.txt", "Saving Text File: ", "b2\r\na1\r\n"},
                                           TypeCase{"a.Txt", "Saving Text File: ", "b2\r\n"},
                                           TypeCase{"a.TXT", "Saving Text File: ", "b2\r\n"},
                                           TypeCase{"xtxt", "Saving Text File: ", "b2\r\n"},
                                           TypeCase{"a.csv", "Saving CSV File: ", "\"Quorlix\"\r\n"},
                                           TypeCase{"a.HTM", "Saving HTM File: ", "<HTML>\r\n"},
                                           TypeCase{"a.html", "", ""}, TypeCase{"noending", "", ""},
                                           TypeCase{"a.tx", "", ""}));

TEST_F(SaveAsTest, TextSaveCallsInOrderAndOpensTheTrimmedPath)
{
    rec.answers = {Answer::Yes};
    const ChosenFile f = file("list.txt");
    SaveToTXT(f.path + "  ", f.title, list, ctx);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"status:Saving Text File: list.txt", "enableOff", "enableOn",
                                                 "status:Saved Text File: list.txt", kExclYn + kViewTxt,
                                                 "open:" + f.path}));
    EXPECT_EQ(yields, 2);
}

TEST_F(SaveAsTest, WritesInDisplayOrder)
{
    list.setSorted(true);
    SaveToTXT(file("s.txt").path, "s.txt", list, ctx);
    EXPECT_EQ(slurp("s.txt"), "a1\r\nb2\r\n");
}

struct ViewerCase {
    const char* title;
    std::string question;
    std::string failureHint; // empty: the failure passes quietly
};

class SaveAsViewer : public SaveAsTest, public ::testing::WithParamInterface<ViewerCase> {};

TEST_P(SaveAsViewer, ViewerFailureMessageOnlyForSpreadsheetAndDatabase)
{
    registerMdbListWriterFactory(
        [](const std::string& path, Status* e) { return openListFile(path, ListFormat::Txt, e); });
    const ViewerCase& c = GetParam();
    const ChosenFile f = file(c.title);
    rec.answers = {Answer::Yes};
    rec.shellFails = true;
    saveChosenFile(list, 2, f, ctx);
    std::vector<std::string> tail(rec.log.end() - (c.failureHint.empty() ? 2 : 3), rec.log.end());
    std::vector<std::string> expected{kExclYn + c.question, "open:" + f.path};
    if (!c.failureHint.empty())
        expected.push_back(kExcl + "Unable to open " + f.path + c.failureHint);
    EXPECT_EQ(tail, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, SaveAsViewer,
    ::testing::Values(ViewerCase{"v.txt", kViewTxt, ""}, ViewerCase{"v.htm", kViewHtm, ""},
                      ViewerCase{"v.csv", kViewCsv,
                                 " Please verify that your system has MS-Excel installed and that the CSV extension "
                                 "is set to run MS-Excel."},
                      ViewerCase{"v.mdb", kViewMdb,
                                 " Please verify that your system has MS-Access installed and that the MDB extension "
                                 "is set to run MS-Access."}));

TEST_F(SaveAsTest, SpreadsheetQuestionAboveTheLimitOnly)
{
    struct Row {
        std::int32_t amount;
        bool asked;
    };
    const std::string question =
        "MS-Excel can only display a maximum of 65,533 cells. You are requesting to save in CSV format a total of "
        "65526 passwords. If you attempt to view them in MS-Excel, only the first 65,533 passwords will "
        "display.\r\n\r\nDo you wish to save in CSV format anyway?";
    for (const Row& r : {Row{65525, false}, Row{65526, true}}) {
        rec.log.clear();
        rec.answers = {Answer::No}; // declines the question when there is one, else the viewer
        fs::remove(dir / "big.csv");
        SaveToCSV(file("big.csv").path, "big.csv", list, r.amount, ctx);
        if (r.asked) {
            EXPECT_EQ(rec.log, (std::vector<std::string>{kExclYn + question}));
            EXPECT_FALSE(fs::exists(dir / "big.csv"));
        } else {
            EXPECT_EQ(rec.log.front(), "status:Saving CSV File: big.csv");
            EXPECT_TRUE(fs::exists(dir / "big.csv"));
        }
    }
}

TEST_F(SaveAsTest, YesToTheSpreadsheetQuestionSaves)
{
    rec.answers = {Answer::Yes, Answer::No};
    SaveToCSV(file("big.csv").path, "big.csv", list, 10'000'000, ctx);
    EXPECT_NE(slurp("big.csv").find("\"\",\"\",\"b2\"\r\n\"\",\"\",\"a1\"\r\n"), std::string::npos);
}

TEST_F(SaveAsTest, FailureToCreateSaysSoAndRestoresTheWindow)
{
    const std::string path = (dir / "missing" / "x.txt").string();
    SaveToTXT(path, "x.txt", list, ctx);
    ASSERT_EQ(rec.log.size(), 5u);
    EXPECT_EQ(rec.log[1], "enableOff");
    EXPECT_EQ(rec.log[2], "enableOn");
    EXPECT_EQ(rec.log[3], "status:Could not save x.txt");
    EXPECT_EQ(rec.log[4].rfind(kExcl + "Could not save " + path + ": ", 0), 0u) << rec.log[4];
}

// A database writer whose last step fails, to see the old file kept.
class FailingSink : public ByteSink {
public:
    explicit FailingSink(bool* dropped) : m_dropped(dropped) {}
    void write(std::string_view) override {}
    Status status() const override { return Status::ok(); }
    Status close() override { return Status::ioError("disk full"); }
    void drop() override { *m_dropped = true; }

private:
    bool* m_dropped;
};

TEST_F(SaveAsTest, FailureWhileWritingKeepsTheOldFileAndShowsTheReason)
{
    bool dropped = false;
    registerMdbListWriterFactory([&](const std::string&, Status*) {
        return makeTextListWriter(ListFormat::Txt, std::make_unique<FailingSink>(&dropped));
    });
    std::ofstream(dir / "old.mdb") << "old";
    SaveToDB(file("old.mdb").path, "old.mdb", list, ctx);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"status:Saving Database File: old.mdb", "enableOff", "enableOn",
                                                 "status:Could not save old.mdb",
                                                 kExcl + "Could not save " + file("old.mdb").path + ": disk full"}));
    EXPECT_EQ(slurp("old.mdb"), "old");
}

TEST_F(SaveAsTest, DatabaseWithoutAWriterIsRefusedClearly)
{
    SaveToDB(file("d.mdb").path, "d.mdb", list, ctx);
    EXPECT_EQ(rec.log[3], "status:Could not save d.mdb");
    EXPECT_FALSE(fs::exists(dir / "d.mdb"));
}

TEST_F(SaveAsTest, MenuShowsNoticeThenDialogAndCancelOnlyRestores)
{
    SaveAsMenu(list, 2, rec, ctx);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"notice",
                                                 "dialog:Enter File Name and Select File Type|Text File "
                                                 "(*.txt)|*.txt|MS-Access Database File (*.mdb)|*.mdb|Comma-Seperated "
                                                 "Values File (*.csv)|*.csv|Hypertext File (*.htm; html)|*.htm; html",
                                                 "enableOn"}));
    rec.log.clear();
    rec.chosen = file("m.txt");
    SaveAsMenu(list, 2, rec, ctx);
    EXPECT_EQ(rec.log[2], "status:Saving Text File: m.txt");
    EXPECT_EQ(slurp("m.txt"), "b2\r\na1\r\n");
}

} // namespace
} // namespace quorlix
