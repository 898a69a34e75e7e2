#include "output/ListWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorlix {
namespace {

namespace fs = std::filesystem;

class StringSink : public ByteSink {
public:
    explicit StringSink(std::string* out, int* closes = nullptr) : m_out(out), m_closes(closes) {}
    void write(std::string_view bytes) override { m_out->append(bytes); }
    Status status() const override { return Status::ok(); }
    Status close() override
    {
        if (m_closes)
            ++*m_closes;
        return Status::ok();
    }
    void drop() override { m_out->assign("<dropped>"); }

private:
    std::string* m_out;
    int* m_closes;
};

std::string writeList(ListFormat format, const std::vector<std::string>& passwords)
{
    std::string out;
    auto writer = makeTextListWriter(format, std::make_unique<StringSink>(&out));
    writer->begin();
    for (const auto& p : passwords)
        writer->add(p);
    EXPECT_TRUE(writer->finish().isOk());
    return out;
}

const std::string kCsvHead = "\"Quorlix\"\r\n"
                             "\"Password List\"\r\n"
                             "\"\"\r\n"
                             "\"Last Name\",\"First Name\",\"Password\"\r\n";
const std::string kCsvTail = "\"\"\r\n"
                             "\"Created by: Quorlix\"\r\n"
                             "\"https://quorlix.example.org/\"\r\n"
                             "\"support@quorlix.example.org\"\r\n";

const std::string kHtmHead =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<TITLE>Password List</TITLE>\r\n"
    "<META NAME=\"Description\" CONTENT=\"\">\r\n"
    "<META NAME=\"Keywords\" CONTENT=\"\">\r\n"
    "<META NAME=\"Author\" CONTENT=\"Brennick Software\">\r\n"
    "<META NAME=\"Generator\" CONTENT=\"Quorlix\">\r\n"
    "</HEAD>\r\n"
    "<BODY BGCOLOR=\"#000000\">\r\n"
    "\r\n"
    "<BR><CENTER><FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#FFCC00\"><B>Quorlix</B></FONT></CENTER>\r\n"
    "<BR><CENTER><FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#FFCC00\"><B>Password List</B></FONT></CENTER>"
    "<BR><BR>\r\n"
    "\r\n"
    "<TABLE ALIGN=\"CENTER\" BORDER=2 CELLPADDING=3 CELLSPACING=3 BGCOLOR=\"#FFFFCC\" BORDERCOLOR=\"#0000FF\">\r\n"
    "  <COL SPAN=3>\r\n"
    "    <TR>\r\n"
    "      <TD ALIGN=\"CENTER\" BGCOLOR=\"#CCCCCC\">&nbsp;"
    "<FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#993300\"><B>Last Name</B></FONT></TD>\r\n"
    "      <TD ALIGN=\"CENTER\" BGCOLOR=\"#CCCCCC\">&nbsp;"
    "<FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#993300\"><B>First Name</B></FONT></TD>\r\n"
    "      <TD ALIGN=\"CENTER\" BGCOLOR=\"#CCCCCC\">&nbsp;"
    "<FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#993300\"><B>Password</B></FONT></TD>\r\n"
    "    </TR>\r\n"
    "    <TR>\r\n";
const std::string kHtmTail =
    "    </TR>\r\n"
    "</TABLE>\r\n"
    "\r\n"
    "<BR><BR><A HREF=\"https://quorlix.example.org/\">"
    "<FONT FACE=\"Times New Roman\" SIZE=2 COLOR=\"#FFCC00\"><B>Brennick Software Homepage</B></A>\r\n"
    "<BR><BR><A HREF=\"mailto:support@quorlix.example.org\"><B>E-Mail Brennick Software</B></a></font><BR>\r\n"
    "\r\n"
    "</BODY>\r\n"
    "</HTML>\r\n";

std::string htmRow(const std::string& cell)
{
    const std::string empty =
        "      <TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B></B></FONT></TD>\r\n";
    return empty + empty + "      <TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B>" + cell +
           "</B></FONT></TD><TR>\r\n";
}

struct GoldenCase {
    const char* name;
    ListFormat format;
    std::vector<std::string> passwords;
    std::string expected;
};

class ListWriterGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(ListWriterGolden, WritesExactBytes)
{
    EXPECT_EQ(writeList(GetParam().format, GetParam().passwords), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ListWriterGolden,
    ::testing::Values(
        GoldenCase{"TxtEmpty", ListFormat::Txt, {}, ""},
        GoldenCase{"TxtTwo", ListFormat::Txt, {"Ab3$xY", "zz9!"}, "Ab3$xY\r\nzz9!\r\n"},
        GoldenCase{"TxtBlankEdges", ListFormat::Txt, {"  a b  "}, "  a b  \r\n"},
        GoldenCase{"CsvEmpty", ListFormat::Csv, {}, kCsvHead + kCsvTail},
        GoldenCase{"CsvTwo", ListFormat::Csv, {"Ab3$xY", "zz9!"},
                   kCsvHead + "\"\",\"\",\"Ab3$xY\"\r\n\"\",\"\",\"zz9!\"\r\n" + kCsvTail},
        GoldenCase{"CsvQuoteDoubledCommaKept", ListFormat::Csv, {"a\"b,c\"\""},
                   kCsvHead + "\"\",\"\",\"a\"\"b,c\"\"\"\"\"\r\n" + kCsvTail},
        GoldenCase{"CsvBlankEdges", ListFormat::Csv, {" x "}, kCsvHead + "\"\",\"\",\" x \"\r\n" + kCsvTail},
        GoldenCase{"HtmEmpty", ListFormat::Htm, {}, kHtmHead + kHtmTail},
        GoldenCase{"HtmTwo", ListFormat::Htm, {"Ab3$xY", "zz9!"},
                   kHtmHead + htmRow("Ab3$xY") + htmRow("zz9!") + kHtmTail},
        GoldenCase{"HtmMarkupEscaped", ListFormat::Htm, {"<a&b>\"'"},
                   kHtmHead + htmRow("&lt;a&amp;b&gt;\"'") + kHtmTail},
        GoldenCase{"HtmBlankEdges", ListFormat::Htm, {" q "}, kHtmHead + htmRow(" q ") + kHtmTail}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ListWriter, UnfinishedKeepsRowsWithoutClosingLines)
{
    struct Row {
        ListFormat format;
        std::string expected;
    };
    for (const Row& r : {Row{ListFormat::Txt, "p1\r\n"}, Row{ListFormat::Csv, kCsvHead + "\"\",\"\",\"p1\"\r\n"},
                         Row{ListFormat::Htm, kHtmHead + htmRow("p1")}}) {
        std::string out;
        int closes = 0;
        auto writer = makeTextListWriter(r.format, std::make_unique<StringSink>(&out, &closes));
        writer->begin();
        writer->add("p1");
        EXPECT_TRUE(writer->closeUnfinished().isOk());
        EXPECT_EQ(out, r.expected);
        EXPECT_EQ(closes, 1);
        writer.reset(); // must not drop a closed file
        EXPECT_EQ(out, r.expected);
    }
}

TEST(ListWriter, DiscardDropsAndDestructorDropsUnfinished)
{
    std::string out;
    {
        auto writer = makeTextListWriter(ListFormat::Txt, std::make_unique<StringSink>(&out));
        writer->add("x");
    }
    EXPECT_EQ(out, "<dropped>");
}

TEST(ListWriter, LongRowsPassTheBufferIntact)
{
    const std::string big(1 << 19, 'k'); // larger than the writer's buffer
    EXPECT_EQ(writeList(ListFormat::Txt, {"a", big, "b"}), "a\r\n" + big + "\r\nb\r\n");
}

TEST(ListWriter, FormatFromFileNameUsesLastThreeCharactersCaseBlind)
{
    struct Row {
        const char* name;
        std::optional<ListFormat> format;
    };
    const Row rows[] = {
        {"a.txt", ListFormat::Txt},  {"a.Txt", ListFormat::Txt}, {"A.TXT", ListFormat::Txt},
        {"xtxt", ListFormat::Txt},   {"b.csv", ListFormat::Csv}, {"c.HtM", ListFormat::Htm},
        {"d.mdb", ListFormat::Mdb},  {"e.html", std::nullopt},   {"noending", std::nullopt},
        {"tx", std::nullopt},        {"", std::nullopt},         {"f.txt ", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(formatFromFileName(r.name), r.format) << r.name;
    EXPECT_EQ(extensionOf(ListFormat::Txt), "txt");
    EXPECT_EQ(extensionOf(ListFormat::Csv), "csv");
    EXPECT_EQ(extensionOf(ListFormat::Htm), "htm");
    EXPECT_EQ(extensionOf(ListFormat::Mdb), "mdb");
}

class ListFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("quorlix-listfile-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        fs::remove_all(dir);
    }
    static std::string slurp(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(ListFileTest, FileReplacedOnlyOnFinishAndOwnerOnly)
{
    const auto target = dir / "list.csv";
    std::ofstream(target) << "old";
    Status error;
    auto writer = openListFile(target.string(), ListFormat::Csv, &error);
    ASSERT_TRUE(writer) << error.message();
    writer->begin();
    writer->add("p");
    EXPECT_EQ(slurp(target), "old");
    ASSERT_TRUE(writer->finish().isOk());
    EXPECT_EQ(slurp(target), kCsvHead + "\"\",\"\",\"p\"\r\n" + kCsvTail);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ListFileTest, DiscardLeavesTheOldFileAndNoLitter)
{
    const auto target = dir / "list.txt";
    std::ofstream(target) << "old";
    Status error;
    auto writer = openListFile(target.string(), ListFormat::Txt, &error);
    ASSERT_TRUE(writer);
    writer->add("new");
    writer->discard();
    EXPECT_EQ(slurp(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(ListFileTest, MissingFolderGivesAnErrorNotAWriter)
{
    Status error;
    EXPECT_EQ(openListFile((dir / "nofolder" / "x.htm").string(), ListFormat::Htm, &error), nullptr);
    EXPECT_EQ(error.code(), Status::Code::IoError);
    EXPECT_NE(error.message().find("nofolder"), std::string::npos);
}

TEST_F(ListFileTest, MdbGoesThroughTheRegisteredFactory)
{
    Status error;
    EXPECT_EQ(openListFile((dir / "a.mdb").string(), ListFormat::Mdb, &error), nullptr);
    EXPECT_EQ(error.code(), Status::Code::Unsupported);

    std::string seenPath;
    std::string out;
    registerMdbListWriterFactory([&](const std::string& path, Status*) {
        seenPath = path;
        return makeTextListWriter(ListFormat::Txt, std::make_unique<StringSink>(&out));
    });
    auto writer = openListFile((dir / "a.mdb").string(), ListFormat::Mdb, &error);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(error.isOk());
    EXPECT_EQ(seenPath, (dir / "a.mdb").string());

    registerMdbListWriterFactory([](const std::string&, Status* e) {
        *e = Status::ioError("exists");
        return std::unique_ptr<ListWriter>();
    });
    EXPECT_EQ(openListFile((dir / "a.mdb").string(), ListFormat::Mdb, &error), nullptr);
    EXPECT_EQ(error.message(), "exists");
}

} // namespace
} // namespace quorlix
