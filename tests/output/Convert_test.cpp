#include "output/Convert.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"
#include "output/Maker.h"
#include "support/RecordingMessageBoxes.h"

using namespace quorlix;
using namespace quorlix::testing;

namespace {

const std::string kCsvView = "message:Do you wish to launch your default CSV application to view this file now?";
const std::string kDbView = "message:Do you wish to launch your default MDB application to view this file now?";

class ConvertTest : public OutputTest {
protected:
    std::string source(const std::string& bytes)
    {
        writeBytes(path("list.txt"), bytes);
        return path("list.txt");
    }
    CallLog log;
    RecordingSurface window{&log};
    RecordingMessageBoxes boxes{&log};
    RecordingShell shell{&log};
    std::size_t yields = 0;
    SaveContext context{boxes, window, shell, [this] { ++yields; }};
};

std::string csvOf(const std::vector<std::string>& passwords)
{
    std::string s = "\"Quorlix\"\r\n\"Password List\"\r\n\"\"\r\n\"Last Name\",\"First Name\",\"Password\"\r\n";
    for (const auto& p : passwords)
        s += "\"\",\"\",\"" + p + "\"\r\n";
    return s + "\"\"\r\n\"Created by: Quorlix\"\r\n\"" + std::string(kMakerHomePage) + "\"\r\n\"" +
           std::string(kMakerEmail) + "\"\r\n";
}

TEST_F(ConvertTest, EachSourceLineBecomesOneCsvRowAsRead)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows{
        {"", {}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {" a \r\n\r\n   \r\nb", {" a ", "", "   ", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\xE9t\xE9,x\r\n", {"\xC3\xA9t\xC3\xA9,x"}}, // code page 1252, written as UTF-8
        {"\xC3\xA9t\xC3\xA9\r\n", {"\xC3\xA9t\xC3\xA9"}},
        {"\xED\xA0\x80\r\n", {"\xC3\xAD\xC2\xA0\xE2\x82\xAC"}}, // a surrogate is no UTF-8
        {std::string(100000, 'z') + "\r\nq", {std::string(100000, 'z'), "q"}}}; // longer than the read buffer
    for (const auto& [text, lines] : rows) {
        yields = 0;
        boxes.answers = {Answer::No};
        ASSERT_TRUE(ConvertTXTtoCSV1(source(text), path("out.csv"), context).isOk());
        EXPECT_EQ(read("out.csv"), csvOf(lines)) << text.substr(0, 20);
        EXPECT_EQ(yields, lines.size()); // one per line
    }
}

TEST_F(ConvertTest, CsvAndHtmlCallsAndViewer)
{
    boxes.answers = {Answer::Yes, Answer::No};
    ASSERT_TRUE(ConvertTXTtoCSV1(source("abc\r\n"), path("pw.csv"), context).isOk());
    ASSERT_TRUE(ConvertTXTtoHTML1(source("p1\r\n p2 \r\n\r\n"), path("pw.htm"), context).isOk());
    EXPECT_EQ(log, (CallLog{"setStatus:Saving CSV File: pw.csv", "enableOff", "enableOn",
                            "setStatus:Saved CSV File: pw.csv", kCsvView, "open:" + path("pw.csv"),
                            "setStatus:Saving HTML File: pw.htm", "enableOff", "enableOn",
                            "setStatus:Saved HTML File: pw.htm",
                            "message:Do you wish to launch your default web browser to view this file now?"}));
    EXPECT_TRUE(boxes.shown[0].icon == Icon::Exclamation && boxes.shown[0].buttons == Buttons::YesNo);
    const std::string page = read("pw.htm");
    const std::string cell = "<TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B>";
    for (const char* p : {"p1", " p2 ", ""})
        EXPECT_NE(page.find(cell + p + "</B></FONT></TD><TR>\r\n"), std::string::npos) << p;
    std::size_t rows = 0;
    for (auto at = page.find("</TD><TR>"); at != std::string::npos; at = page.find("</TD><TR>", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(page.rfind("</HTML>\r\n"), page.size() - 9);
}

TEST_F(ConvertTest, DatabaseTrimsLinesAndSkipsBlankOnes)
{
    struct Row {
        std::string source;
        std::vector<std::optional<std::string>> stored;
        std::string savedText;
    };
    const std::vector<Row> rows{{"", {}, ""},
                                {"  one  \r\n\r\ntwo", {"one", "two"}, " (1 blank line skipped)"},
                                {"\r\n   \r\na\r\n \r\n", {"a"}, " (3 blank lines skipped)"},
                                {"\xE9t\xE9\r\n", {"\xC3\xA9t\xC3\xA9"}, ""},
                                // Not UTF-8 either: a surrogate half and an overlong form.
                                {"\xED\xA0\x80\r\n\xE0\x80\xAF\r\n",
                                 {"\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},
                                 ""}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (jet::JetVersion version : {jet::JetVersion::Jet3, jet::JetVersion::Jet4}) {
            const std::string name = std::to_string(i) + (version == jet::JetVersion::Jet3 ? "-3.mdb" : "-4.mdb");
            log.clear();
            boxes.answers = {Answer::No};
            ASSERT_TRUE(convertTXTtoDB(source(rows[i].source), path(name), version, context).isOk());
            Tables tables;
            ASSERT_TRUE(readDatabase(path(name), "", &tables).isOk());
            EXPECT_EQ(tables, passwordTable(rows[i].stored)) << name;
            EXPECT_EQ(log, (CallLog{"setStatus:Saving Database File: " + name, "enableOff", "enableOn",
                                    "setStatus:Saved Database File: " + name + rows[i].savedText, kDbView}));
            jet::FileHeader header;
            ASSERT_TRUE(jet::readFileHeader(path(name), &header).isOk());
            EXPECT_EQ(header.versionByte, version == jet::JetVersion::Jet3 ? 0 : 1);
        }
    }
}

TEST_F(ConvertTest, FailuresEndQuietlyAndLeaveNoNewFile)
{
    const CallLog quiet{"setStatus:Saving Database File: a.mdb", "enableOff", "enableOn"};
    EXPECT_EQ(convertTXTtoDB(path("missing.txt"), path("a.mdb"), jet::JetVersion::Jet3, context).code(),
              Status::Code::IoError);
    EXPECT_EQ(log, quiet);
    EXPECT_FALSE(fs::exists(path("a.mdb")));

    // A line longer than the field ends the conversion: a part of the list
    // would pass for the whole of it, so no file is left.
    log.clear();
    const std::string lines = "one\r\n" + std::string(300, 'x') + "\r\nthree\r\n";
    EXPECT_FALSE(convertTXTtoDB(source(lines), path("a.mdb"), jet::JetVersion::Jet3, context).isOk());
    EXPECT_EQ(log, quiet);
    EXPECT_FALSE(fs::exists(path("a.mdb")));

    log.clear();
    EXPECT_FALSE(ConvertTXTtoCSV1(source("a"), path("no/folder/c.csv"), context).isOk());
    EXPECT_EQ(log, (CallLog{"setStatus:Saving CSV File: c.csv", "enableOff", "enableOn"}));
}

// A conversion that does not complete leaves an existing target as it was.
TEST_F(ConvertTest, FailedConversionKeepsAnExistingTarget)
{
    const std::string longLine = "one\r\n" + std::string(300, 'x') + "\r\n";
    struct Row {
        const char* target;
        bool folderSource; // else a line the database refuses
    };
    for (const Row& r : {Row{"t.csv", true}, Row{"t.htm", true}, Row{"t.mdb", true}, Row{"t.mdb", false}}) {
        writeBytes(path(r.target), "precious");
        fs::create_directories(path("folder.txt"));
        const std::string from = r.folderSource ? path("folder.txt") : source(longLine);
        const std::string to = path(r.target);
        const Status s = to.ends_with(".csv")   ? ConvertTXTtoCSV1(from, to, context)
                         : to.ends_with(".htm") ? ConvertTXTtoHTML1(from, to, context)
                                                : convertTXTtoDB(from, to, jet::JetVersion::Jet3, context);
        EXPECT_EQ(s.code(), r.folderSource ? Status::Code::IoError : Status::Code::InvalidArgument) << r.target;
        if (r.folderSource) {
            EXPECT_EQ(s.message(), "Could not open the text file " + from);
        }
        EXPECT_EQ(read(r.target), "precious") << r.target;
        fs::remove(path(r.target));
        fs::remove(path("list.txt"));
        EXPECT_EQ(files(), std::vector<std::string>{"folder.txt"}) << r.target; // no temporary file left
    }
}

TEST_F(ConvertTest, ViewerFailureMessagesForSpreadsheetAndDatabaseOnly)
{
    shell.fails = true;
    ASSERT_TRUE(ConvertTXTtoCSV1(source("a\r\n"), path("v.csv"), context).isOk());
    ASSERT_TRUE(ConvertTXTtoHTML1(source("a\r\n"), path("v.htm"), context).isOk());
    ASSERT_TRUE(convertTXTtoDB(source("a\r\n"), path("v.mdb"), jet::JetVersion::Jet3, context).isOk());
    keepDatabaseCopy(path("v.mdb"));
    EXPECT_EQ(window.callsStartingWith("open:").size(), 3u);
    std::vector<std::string> failures;
    for (const auto& s : boxes.shown)
        if (s.text.rfind("Unable to open ", 0) == 0 && s.icon == Icon::Exclamation && s.buttons == Buttons::Ok)
            failures.push_back(s.text);
    EXPECT_EQ(failures, (std::vector<std::string>{
                            "Unable to open " + path("v.csv") +
                                " Please verify that your system has an application for CSV files installed and that "
                                "it is set as the default for the CSV extension.",
                            "Unable to open " + path("v.mdb") +
                                " Please verify that your system has an application for MDB files installed and that "
                                "it is set as the default for the MDB extension."}));
    EXPECT_EQ(boxes.shown.size(), 5u); // three questions, two failures
}

TEST(ConvertNames, ProposedTargetDropsTheLastFourCharacters)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"list.txt", "list"}, {".txt", ""}, {"txt", std::nullopt}, {"notes", "n"}};
    for (const auto& [title, proposed] : cases)
        EXPECT_EQ(proposedConversionTarget(title), proposed) << title;
}

} // namespace
