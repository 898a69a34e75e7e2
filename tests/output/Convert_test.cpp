#include "output/Convert.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/Maker.h"
#include "platform/jet/JetReader.h"
#include "support/MdbOut.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingSurface.h"

namespace fs = std::filesystem;
using namespace quorlix;
using quorlix::testing::CallLog;
using quorlix::testing::RecordingMessageBoxes;
using quorlix::testing::RecordingSurface;

namespace {

class FakeShell : public Shell {
public:
    Status openFile(const std::string& path) override
    {
        opened.push_back(path);
        return result;
    }
    std::vector<std::string> opened;
    Status result;
};

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("convert-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::string writeSource(const std::string& bytes, const std::string& name = "list.txt") const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Password column of the converted database, in record order.
    static std::vector<std::optional<std::string>> passwords(const std::string& file)
    {
        quorlix::testing::keepDatabaseCopy(file);
        std::vector<std::optional<std::string>> out;
        Status status;
        auto db = jet::DatabaseReader::open(file, "", &status);
        EXPECT_TRUE(db) << status.message();
        if (!db)
            return out;
        auto t = db->openTable("Password Database", &status);
        EXPECT_TRUE(t);
        if (!t)
            return out;
        EXPECT_EQ(t->columnNames(), (std::vector<std::string>{"Last Name", "First Name", "Password"}));
        while (t->next()) {
            EXPECT_EQ(t->field(0), std::nullopt);
            out.push_back(t->field("Password"));
        }
        return out;
    }

    CallLog log;
    RecordingSurface window{&log};
    RecordingMessageBoxes boxes{&log};
    FakeShell shell;
    std::size_t yields = 0;
    SaveContext context{boxes, window, shell, [this] { ++yields; }};
    fs::path m_dir;
};

std::string csvOf(const std::vector<std::string>& passwords)
{
    std::string s = "\"Quorlix\"\r\n\"Password List\"\r\n\"\"\r\n\"Last Name\",\"First Name\",\"Password\"\r\n";
    for (const auto& p : passwords)
        s += "\"\",\"\",\"" + p + "\"\r\n";
    s += "\"\"\r\n\"Created by: Quorlix\"\r\n\"" + std::string(kMakerHomePage) + "\"\r\n\"" +
         std::string(kMakerEmail) + "\"\r\n";
    return s;
}

struct LineCase {
    const char* name;
    std::string source;
    std::vector<std::string> lines;
};

class ConvertLines : public ConvertTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ConvertLines, EachSourceLineBecomesOneCsvRowAsRead)
{
    const std::string target = path("out.csv");
    ASSERT_TRUE(ConvertTXTtoCSV1(writeSource(GetParam().source), target, context).isOk());
    EXPECT_EQ(read(target), csvOf(GetParam().lines));
    EXPECT_EQ(yields, GetParam().lines.size()); // one per line
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ConvertLines,
    ::testing::Values(LineCase{"empty", "", {}}, LineCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"noFinalEnd", "a\r\nb", {"a", "b"}}, LineCase{"lf", "a\nb\n", {"a", "b"}},
                      LineCase{"cr", "a\rb\r", {"a", "b"}},
                      LineCase{"blankKept", " a \r\n\r\n   \r\nb", {" a ", "", "   ", "b"}},
                      LineCase{"onlyEnd", "\r\n", {""}}, LineCase{"crcrlf", "a\r\r\nb", {"a", "", "b"}},
                      LineCase{"bytesAsIs", "\xE9t\xE9,x\r\n", {"\xE9t\xE9,x"}},
                      LineCase{"long", std::string(100000, 'z') + "\r\nq", {std::string(100000, 'z'), "q"}}),
    [](const ::testing::TestParamInfo<LineCase>& p) { return std::string(p.param.name); });

TEST_F(ConvertTest, CsvCallsAndViewer)
{
    const std::string target = path("pw.csv");
    boxes.answers = {Answer::Yes};
    ASSERT_TRUE(ConvertTXTtoCSV1(writeSource("abc\r\n"), target, context).isOk());
    EXPECT_EQ(log, (CallLog{"setStatus:Saving CSV File: pw.csv", "enableOff", "enableOn",
                            "setStatus:Saved CSV File: pw.csv",
                            "message:Do you wish to launch MS-Excel to view this file now?"}));
    EXPECT_EQ(boxes.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNo);
    EXPECT_EQ(shell.opened, std::vector<std::string>{target});
}

TEST_F(ConvertTest, HtmlHasOnePasswordRowPerLine)
{
    const std::string target = path("pw.htm");
    boxes.answers = {Answer::No};
    ASSERT_TRUE(ConvertTXTtoHTML1(writeSource("p1\r\n p2 \r\n\r\n"), target, context).isOk());
    const std::string page = read(target);
    const std::string cell = "<TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B>";
    for (const char* p : {"p1", " p2 ", ""})
        EXPECT_NE(page.find(cell + p + "</B></FONT></TD><TR>\r\n"), std::string::npos) << p;
    std::size_t rows = 0;
    for (auto at = page.find("</TD><TR>"); at != std::string::npos; at = page.find("</TD><TR>", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(page.rfind("</HTML>\r\n"), page.size() - 9);
    EXPECT_EQ(log, (CallLog{"setStatus:Saving HTML File: pw.htm", "enableOff", "enableOn",
                            "setStatus:Saved HTML File: pw.htm",
                            "message:Do you wish to launch your default web browser to view this file now?"}));
    EXPECT_TRUE(shell.opened.empty());
}

struct DbCase {
    const char* name;
    std::string source;
    std::vector<std::optional<std::string>> stored;
    std::string savedText;
};

class ConvertDb : public ConvertTest, public ::testing::WithParamInterface<DbCase> {};

TEST_P(ConvertDb, TrimsLinesAndSkipsBlankOnes)
{
    for (jet::JetVersion version : {jet::JetVersion::Jet3, jet::JetVersion::Jet4}) {
        const std::string target = path("x.mdb");
        log.clear();
        boxes.answers = {Answer::No};
        ASSERT_TRUE(convertTXTtoDB(writeSource(GetParam().source), target, version, context).isOk());
        quorlix::testing::keepDatabaseCopy(
            target, std::string("convert-") + GetParam().name +
                        (version == jet::JetVersion::Jet3 ? "-jet3.mdb" : "-jet4.mdb"));
        EXPECT_EQ(passwords(target), GetParam().stored);
        EXPECT_EQ(log, (CallLog{"setStatus:Saving Database File: x.mdb", "enableOff", "enableOn",
                                "setStatus:" + GetParam().savedText,
                                "message:Do you wish to launch MS-Access to view this file now?"}));
        jet::FileHeader header;
        ASSERT_TRUE(jet::readFileHeader(target, &header).isOk());
        EXPECT_EQ(header.versionByte, version == jet::JetVersion::Jet3 ? 0 : 1);
        EXPECT_EQ(header.password, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ConvertDb,
    ::testing::Values(DbCase{"empty", "", {}, "Saved Database File: x.mdb"},
                      DbCase{"trim", "  one  \r\ntwo\r\nthree", {"one", "two", "three"}, "Saved Database File: x.mdb"},
                      DbCase{"oneBlank", "a\r\n\r\nb\r\n", {"a", "b"}, "Saved Database File: x.mdb (1 blank line skipped)"},
                      DbCase{"blanks", "\r\n   \r\na\r\n \r\n", {"a"}, "Saved Database File: x.mdb (3 blank lines skipped)"},
                      DbCase{"cp1252", "\xE9t\xE9\r\n\xC3\xA9t\xC3\xA9\r\n", {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
                             "Saved Database File: x.mdb"}),
    [](const ::testing::TestParamInfo<DbCase>& p) { return std::string(p.param.name); });

TEST_F(ConvertTest, FailuresEndQuietlyKeepingWhatWasConverted)
{
    // Missing source: nothing written, no message, the status keeps its saving text.
    Status status = convertTXTtoDB(path("missing.txt"), path("a.mdb"), jet::JetVersion::Jet3, context);
    EXPECT_EQ(status.code(), Status::Code::IoError);
    EXPECT_EQ(log, (CallLog{"setStatus:Saving Database File: a.mdb", "enableOff", "enableOn"}));
    EXPECT_FALSE(fs::exists(path("a.mdb")));

    // A line longer than the field ends the conversion; the records before stay.
    log.clear();
    status = convertTXTtoDB(writeSource("one\r\n" + std::string(300, 'x') + "\r\nthree\r\n"), path("b.mdb"),
                            jet::JetVersion::Jet3, context);
    EXPECT_FALSE(status.isOk());
    EXPECT_EQ(log, (CallLog{"setStatus:Saving Database File: b.mdb", "enableOff", "enableOn"}));
    EXPECT_EQ(passwords(path("b.mdb")), (std::vector<std::optional<std::string>>{"one"}));

    // An unwritable target.
    log.clear();
    status = ConvertTXTtoCSV1(writeSource("a"), path("no/folder/c.csv"), context);
    EXPECT_FALSE(status.isOk());
    EXPECT_EQ(log, (CallLog{"setStatus:Saving CSV File: c.csv", "enableOff", "enableOn"}));
}

struct ViewerCase {
    int kind; // 0 csv, 1 html, 2 db
    const char* target;
    std::string hint; // expected second message, empty for none
};

class ConvertViewer : public ConvertTest, public ::testing::WithParamInterface<ViewerCase> {};

TEST_P(ConvertViewer, ViewerFailureMessages)
{
    const ViewerCase& c = GetParam();
    shell.result = Status::ioError("no viewer");
    boxes.answers = {Answer::Yes};
    const std::string source = writeSource("a\r\n");
    const std::string target = path(c.target);
    Status status = c.kind == 0   ? ConvertTXTtoCSV1(source, target, context)
                    : c.kind == 1 ? ConvertTXTtoHTML1(source, target, context)
                                  : convertTXTtoDB(source, target, jet::JetVersion::Jet3, context);
    ASSERT_TRUE(status.isOk());
    if (c.kind == 2)
        quorlix::testing::keepDatabaseCopy(target);
    ASSERT_EQ(shell.opened.size(), 1u);
    if (c.hint.empty()) {
        EXPECT_EQ(boxes.shown.size(), 1u);
    } else {
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[1].text, "Unable to open " + target + c.hint);
        EXPECT_EQ(boxes.shown[1].icon, Icon::Exclamation);
        EXPECT_EQ(boxes.shown[1].buttons, Buttons::Ok);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ConvertViewer,
    ::testing::Values(ViewerCase{0, "v.csv",
                                 " Please verify that your system has MS-Excel installed and that the CSV extension "
                                 "is set to run MS-Excel."},
                      ViewerCase{1, "v.htm", ""},
                      ViewerCase{2, "v.mdb",
                                 " Please verify that your system has MS-Access installed and that the MDB extension "
                                 "is set to run MS-Access."}));

TEST(ConvertNames, ProposedTargetDropsTheLastFourCharacters)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"list.txt", "list"}, {"a.txt", "a"}, {".txt", ""}, {"txt", std::nullopt}, {"", std::nullopt},
        {"notes", "n"},       {"LIST.TXT", "LIST"}};
    for (const auto& [title, proposed] : cases)
        EXPECT_EQ(proposedConversionTarget(title), proposed) << title;
}

} // namespace
