#include "output/SaveAs.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "OutputTestKit.h"
#include "output/MdbListWriter.h"
#include "support/RecordingMessageBoxes.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

using testing::CallLog;

class ScriptedDialogs : public SaveAsDialogs {
public:
    explicit ScriptedDialogs(CallLog* log) : m_log(log) {}
    void showSaveAsNotice() override { m_log->push_back("notice"); }
    std::optional<ChosenFile> chooseSaveFile(std::string_view caption, std::string_view filter) override
    {
        m_log->push_back("dialog:" + std::string(caption) + "|" + std::string(filter));
        return chosen;
    }
    bool chooseHandOutOptions(ListFormat format, HandOut& handOut) override
    {
        m_log->push_back("options:" + std::string(nameOf(format)) + (handOut.hash ? " hashed" : ""));
        if (format == ListFormat::Chpasswd)
            handOut.userPrefix = "pupil";
        return !cancelOptions;
    }
    std::optional<ChosenFile> chosen;
    bool cancelOptions = false;

private:
    CallLog* m_log;
};

const std::string kViewTxt = "message:Do you wish to View/Edit this file now using your default text viewer?";
const std::string kViewCsv = "message:Do you wish to launch your default CSV application to view this file now?";
const std::string kViewHtm = "message:Do you wish to launch your default web browser to view this file now?";
const std::string kViewMdb = "message:Do you wish to launch your default MDB application to view this file now?";

class SaveAsTest : public testing::OutputTest {
protected:
    void SetUp() override
    {
        OutputTest::SetUp();
        list.add("b2");
        list.add("a1");
    }
    ChosenFile file(const std::string& title) const { return {path(title), title}; }

    ResultList list;
    CallLog log;
    testing::RecordingSurface window{&log};
    testing::RecordingMessageBoxes boxes{&log};
    testing::RecordingShell shell{&log};
    ScriptedDialogs dialogs{&log};
    int yields = 0;
    SaveContext ctx{boxes, window, shell, [this] { ++yields; }};
};

TEST_F(SaveAsTest, TypeComesFromTheLastThreeCharacters)
{
    installMdbListWriter({});
    struct Row {
        const char* title;
        const char* savingText; // empty: refused
        const char* savedText;
        const std::string& question;
        std::string firstBytes;
    };
    const std::string none;
    for (const Row& r : {Row{"a.txt", "Saving Text File: ", "Saved Text File: ", kViewTxt, "b2\r\na1\r\n"},
                         Row{"a.csv", "Saving CSV File: ", "Saved CSV File: ", kViewCsv, "\"Quorlix\"\r\n"},
                         Row{"a.HTM", "Saving HTM File: ", "Saved HTM File: ", kViewHtm, "<HTML>\r\n"},
                         Row{"a.mdb", "Saving Database File: ", "Created Database File: ", kViewMdb,
                             std::string("\0\x01\0\0Standard Jet DB", 19)},
                         Row{"a.html", "", "", none, ""}}) {
        log.clear();
        boxes.answers = {Answer::No};
        saveChosenFile(list, 2, file(r.title), ctx);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[0], std::string("setStatus:Saving Text File: ") + r.title);
        if (*r.savingText) {
            EXPECT_EQ(log[1], std::string("setStatus:") + r.savingText + r.title);
            EXPECT_EQ(log.end()[-2], std::string("setStatus:") + r.savedText + r.title);
            EXPECT_EQ(log.back(), r.question);
            EXPECT_EQ(read(r.title).rfind(r.firstBytes, 0), 0u) << r.title;
            continue;
        }
        EXPECT_EQ(log, (CallLog{log[0], "message:Unrecognized file type. Please verify the type of file you wish to "
                                        "save these password with and try again."}));
        EXPECT_TRUE(boxes.shown.back().icon == Icon::Exclamation && boxes.shown.back().buttons == Buttons::Ok);
        EXPECT_FALSE(fs::exists(path(r.title)));
    }
}

TEST_F(SaveAsTest, TextSaveCallsInOrderAndOpensTheTrimmedPathInDisplayOrder)
{
    boxes.answers = {Answer::Yes};
    list.setSorted(true);
    SaveToTXT(path("list.txt") + "  ", "list.txt", list, ctx);
    EXPECT_EQ(log, (CallLog{"setStatus:Saving Text File: list.txt", "enableOff", "enableOn",
                            "setStatus:Saved Text File: list.txt", kViewTxt, "open:" + path("list.txt")}));
    EXPECT_TRUE(boxes.shown[0].icon == Icon::Exclamation && boxes.shown[0].buttons == Buttons::YesNo);
    EXPECT_EQ(yields, 2);
    boxes.answers = {Answer::No};
    SaveToTXT(path("s.txt"), "s.txt", list, ctx);
    EXPECT_EQ(read("s.txt"), "a1\r\nb2\r\n");
}

TEST_F(SaveAsTest, ViewerFailureMessageOnlyForSpreadsheetAndDatabase)
{
    registerMdbListWriterFactory(
        [](const std::string& path, const HandOut&, Status* e) { return openListFile(path, ListFormat::Txt, e); });
    shell.fails = true;
    const std::string unable = "message:Unable to open ";
    struct Case {
        const char* title;
        std::string question;
        std::string failureHint; // empty: the failure passes quietly
    };
    for (const Case& c : {Case{"v.txt", kViewTxt, ""}, Case{"v.htm", kViewHtm, ""},
                          Case{"v.csv", kViewCsv,
                               " Please verify that your system has an application for CSV files installed and that it "
                               "is set as the default for the CSV extension."},
                          Case{"v.mdb", kViewMdb,
                               " Please verify that your system has an application for MDB files installed and that it "
                               "is set as the default for the MDB extension."}}) {
        log.clear();
        boxes.answers = {Answer::Yes};
        saveChosenFile(list, 2, file(c.title), ctx);
        CallLog expected{c.question, "open:" + path(c.title)};
        if (!c.failureHint.empty())
            expected.push_back(unable + path(c.title) + c.failureHint);
        EXPECT_EQ(CallLog(log.end() - static_cast<std::ptrdiff_t>(expected.size()), log.end()), expected);
    }
}

TEST_F(SaveAsTest, SpreadsheetQuestionAboveTheLimitOnly)
{
    const std::string question =
        "message:Your default CSV application can only display a maximum of 65,533 cells. You are requesting to "
        "save in CSV format a total of 65526 passwords. If you attempt to view them in your default CSV "
        "application, only the first 65,533 passwords will display.\r\n\r\nDo you wish to save in CSV format "
        "anyway?";
    boxes.answers = {Answer::No, Answer::No}; // no to the viewer, then no to the question
    SaveToCSV(path("big.csv"), "big.csv", list, 65525, ctx);
    EXPECT_EQ(log.front(), "setStatus:Saving CSV File: big.csv");
    fs::remove(path("big.csv"));
    log.clear();
    SaveToCSV(path("big.csv"), "big.csv", list, 65526, ctx);
    EXPECT_EQ(log, CallLog{question});
    EXPECT_FALSE(fs::exists(path("big.csv")));

    boxes.answers = {Answer::Yes, Answer::No};
    SaveToCSV(path("big.csv"), "big.csv", list, 10'000'000, ctx);
    EXPECT_NE(read("big.csv").find("\"\",\"\",\"b2\"\r\n\"\",\"\",\"a1\"\r\n"), std::string::npos);
}

// A writer whose last step fails, to see the old file kept.
class FailingSink : public ByteSink {
public:
    void write(std::string_view) override {}
    Status status() const override { return Status::ok(); }
    Status close() override { return Status::ioError("disk full"); }
    void drop() override {}
};

TEST_F(SaveAsTest, FailuresSayWhyKeepTheOldFileAndRestoreTheWindow)
{
    SaveToTXT(path("missing/x.txt"), "x.txt", list, ctx);
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(CallLog(log.begin() + 1, log.begin() + 4),
              (CallLog{"enableOff", "enableOn", "setStatus:Could not save x.txt"}));
    EXPECT_EQ(log[4].rfind("message:Could not save " + path("missing/x.txt") + ": ", 0), 0u) << log[4];


    log.clear();
    registerMdbListWriterFactory([](const std::string&, const HandOut&, Status*) {
        return makeTextListWriter(ListFormat::Txt, std::make_unique<FailingSink>());
    });
    testing::writeBytes(path("old.mdb"), "old");
    SaveToDB(path("old.mdb"), "old.mdb", list, ctx);
    EXPECT_EQ(log, (CallLog{"setStatus:Saving Database File: old.mdb", "enableOff", "enableOn",
                            "setStatus:Could not save old.mdb",
                            "message:Could not save " + path("old.mdb") + ": disk full"}));
    EXPECT_EQ(read("old.mdb"), "old");
}

TEST_F(SaveAsTest, MenuShowsNoticeThenDialogAndCancelOnlyRestores)
{
    SaveAsMenu(list, 2, dialogs, ctx);
    EXPECT_EQ(log, (CallLog{"notice",
                            "dialog:Enter File Name and Select File Type|Text File (*.txt)|*.txt|MS-Access Database "
                            "File (*.mdb)|*.mdb|Comma-Seperated Values File (*.csv)|*.csv|Hypertext File (*.htm; "
                            "html)|*.htm; html|PDF Slips (*.pdf)|*.pdf|Account List for chpasswd "
                            "(*.chpasswd)|*.chpasswd|Password Manager CSV (*.csv)|*.csv|Bitwarden CSV (*.csv)|*.csv|"
                            "Comma-Seperated Values File "
                            "with Hashes (*.csv)|*.csv|MS-Access Database File with Hashes (*.mdb)|*.mdb",
                            "enableOn"}));
    log.clear();
    dialogs.chosen = file("m.txt");
    boxes.answers = {Answer::No};
    SaveAsMenu(list, 2, dialogs, ctx);
    EXPECT_EQ(log[2], "setStatus:Saving Text File: m.txt");
    EXPECT_EQ(read("m.txt"), "b2\r\na1\r\n");
}


TEST(SaveFormat, FilterEntriesDecideOnlyForTheirOwnEnding)
{
    struct Case {
        const char* title;
        std::string_view filter;
        std::optional<ListFormat> format;
        bool hashed;
    };
    const Case cases[] = {
        {"a.csv", kManagerCsvFilter, ListFormat::ManagerCsv, false},
        {"a.txt", kManagerCsvFilter, ListFormat::Txt, false},
        {"a.csv", kBitwardenCsvFilter, ListFormat::BitwardenCsv, false},
        {"a.csv", kHashedCsvFilter, ListFormat::Csv, true},
        {"a.mdb", kHashedMdbFilter, ListFormat::Mdb, true},
        {"a.csv", kHashedMdbFilter, ListFormat::Csv, false},
        {"a.PDF", "", ListFormat::Pdf, false},
        {"users.chpasswd", "", ListFormat::Chpasswd, false},
        {"a.pdf", kChpasswdFilter, ListFormat::Pdf, false},
        {"a.html", kSlipsFilter, std::nullopt, false},
    };
    for (const Case& c : cases) {
        const auto got = saveFormatOf(ChosenFile{c.title, c.title, std::string(c.filter)});
        ASSERT_EQ(got.has_value(), c.format.has_value()) << c.title << " " << c.filter;
        if (got) {
            EXPECT_EQ(got->format, *c.format) << c.title << " " << c.filter;
            EXPECT_EQ(got->hashed, c.hashed) << c.title << " " << c.filter;
        }
    }
}

TEST_F(SaveAsTest, HandedOutListsPairPeopleWithPasswordsInTheOrderTheyWereMade)
{
    list.setSorted(true); // shown a1, b2; made b2, a1
    auto roster = std::make_shared<Roster>();
    roster->add("Doe", "Jane");
    roster->add("Roe", "Rich");
    HandOut handOut;
    handOut.roster = roster;
    handOut.namesInText = true;
    ctx.handOut = &handOut;
    saveChosenFile(list, 2, file("names.txt"), ctx);
    EXPECT_EQ(read("names.txt"), "Doe, Jane\tb2\r\nRoe, Rich\ta1\r\n");
    // More passwords than people: made before the roster, refused.
    list.add("c3");
    log.clear();
    saveChosenFile(list, 3, file("three.txt"), ctx);
    EXPECT_FALSE(fs::exists(path("three.txt")));
    EXPECT_EQ(log.back(),
              "message:Could not save " + path("three.txt") +
                  ": The display holds 3 passwords and the roster names 2 people: press Execute to make one "
                  "password per person.");
    list.clear();
    list.add("b2");
    list.add("a1");
    // A plain list keeps the display's order.
    ctx.handOut = nullptr;
    saveChosenFile(list, 2, file("plain.txt"), ctx);
    EXPECT_EQ(read("plain.txt"), "a1\r\nb2\r\n");
}

TEST_F(SaveAsTest, HandOutTypesAskTheirOptionsFirstAndCancelWritesNothing)
{
    dialogs.chosen = ChosenFile{path("users.chpasswd"), "users.chpasswd"};
    SaveAsMenu(list, 2, dialogs, ctx);
    EXPECT_EQ(read("users.chpasswd"), "pupil001:b2\npupil002:a1\n");
    EXPECT_NE(std::find(log.begin(), log.end(), "options:chpasswd"), log.end());

    dialogs.chosen = ChosenFile{path("h.csv"), "h.csv", std::string(kHashedCsvFilter)};
    dialogs.cancelOptions = true;
    log.clear();
    SaveAsMenu(list, 2, dialogs, ctx);
    EXPECT_EQ(log.back(), "enableOn");
    EXPECT_NE(std::find(log.begin(), log.end(), "options:csv hashed"), log.end());
    EXPECT_FALSE(fs::exists(path("h.csv")));

    // Refused by the list type: chpasswd needs user names.
    HandOut none;
    ctx.handOut = &none;
    log.clear();
    saveChosenFile(list, 2, file("x.chpasswd"), ctx);
    EXPECT_EQ(log.back().rfind("message:A list for chpasswd needs user names", 0), 0u) << log.back();
    EXPECT_FALSE(fs::exists(path("x.chpasswd")));
}

TEST_F(SaveAsTest, StopDuringASaveKeepsTheOldFile)
{
    testing::writeBytes(path("old.csv"), "old");
    HandOut handOut;
    handOut.hash = HashScheme::Sha512crypt;
    ctx.handOut = &handOut;
    int asked = 0;
    ctx.stopRequested = [&asked] { return ++asked == 2; };
    saveChosenFile(list, 2, file("old.csv"), ctx);
    EXPECT_EQ(read("old.csv"), "old");
    EXPECT_EQ(files(), (std::vector<std::string>{"old.csv"}));
    EXPECT_NE(std::find(log.begin(), log.end(), "setStatus:Save stopped, nothing written: old.csv"), log.end());
}

} // namespace
} // namespace quorlix
