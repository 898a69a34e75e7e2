#include "output/ListWriter.h"

#include <gtest/gtest.h>

#include <vector>

#include "OutputTestKit.h"

namespace quorlix {
namespace {

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
                             "\"" QUORLIX_MAKER_HOMEPAGE "\"\r\n"
                             "\"" QUORLIX_MAKER_EMAIL "\"\r\n";

const std::string kHtmHead =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<meta charset=\"utf-8\">\r\n"
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
    "<BR><BR><A HREF=\"" QUORLIX_MAKER_HOMEPAGE "\">"
    "<FONT FACE=\"Times New Roman\" SIZE=2 COLOR=\"#FFCC00\"><B>Brennick Software Homepage</B></A>\r\n"
    "<BR><BR><A HREF=\"mailto:" QUORLIX_MAKER_EMAIL "\"><B>E-Mail Brennick Software</B></a></font><BR>\r\n"
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

TEST(ListWriter, WritesExactBytes)
{
    struct Row {
        ListFormat format;
        std::vector<std::string> passwords;
        std::string expected;
    };
    const std::vector<Row> rows{
        {ListFormat::Txt, {}, ""},
        {ListFormat::Txt, {"Ab3$xY", "  a b  "}, "Ab3$xY\r\n  a b  \r\n"},
        {ListFormat::Csv, {}, kCsvHead + kCsvTail},
        {ListFormat::Csv, {"Ab3$xY", " x "}, kCsvHead + "\"\",\"\",\"Ab3$xY\"\r\n\"\",\"\",\" x \"\r\n" + kCsvTail},
        {ListFormat::Csv, {"a\"b,c\"\""}, kCsvHead + "\"\",\"\",\"a\"\"b,c\"\"\"\"\"\r\n" + kCsvTail}, // quotes doubled
        {ListFormat::Htm, {}, kHtmHead + kHtmTail},
        {ListFormat::Htm, {"Ab3$xY", " q "}, kHtmHead + htmRow("Ab3$xY") + htmRow(" q ") + kHtmTail},
        {ListFormat::Htm, {"<a&b>\"'"}, kHtmHead + htmRow("&lt;a&amp;b&gt;\"'") + kHtmTail}};
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(writeList(rows[i].format, rows[i].passwords), rows[i].expected) << "row " << i;
}

TEST(ListWriter, UnfinishedKeepsRowsAbandonedIsDroppedLongRowsIntact)
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
    std::string out;
    makeTextListWriter(ListFormat::Txt, std::make_unique<StringSink>(&out))->add("x");
    EXPECT_EQ(out, "<dropped>");
    const std::string big(1 << 19, 'k'); // larger than the writer's buffer
    EXPECT_EQ(writeList(ListFormat::Txt, {"a", big, "b"}), "a\r\n" + big + "\r\nb\r\n");
}

TEST(ListWriter, FormatFromFileNameUsesLastThreeCharactersCaseBlind)
{
    struct Row {
        const char* name;
        std::optional<ListFormat> format;
    };
    const Row rows[] = {{"a.Txt", ListFormat::Txt}, {"xtxt", ListFormat::Txt}, {"b.csv", ListFormat::Csv},
                        {"c.HtM", ListFormat::Htm}, {"d.mdb", ListFormat::Mdb}, {"e.html", std::nullopt},
                        {"tx", std::nullopt},       {"f.txt ", std::nullopt}};
    for (const Row& r : rows)
        EXPECT_EQ(formatFromFileName(r.name), r.format) << r.name;
}

using ListFileTest = testing::OutputTest;

TEST_F(ListFileTest, FileReplacedOnlyOnFinishKeepingItsModeDiscardKeepsTheOld)
{
    testing::writeBytes(path("list.csv"), "old");
    testing::fs::permissions(path("list.csv"), static_cast<testing::fs::perms>(0640));
    Status error;
    for (bool finish : {false, true}) {
        auto writer = openListFile(path("list.csv"), ListFormat::Csv, &error);
        ASSERT_TRUE(writer) << error.message();
        writer->begin();
        writer->add("p");
        EXPECT_EQ(read("list.csv"), "old"); // also after the discard of the first pass
        if (finish) {
            ASSERT_TRUE(writer->finish().isOk());
        } else {
            writer->discard();
        }
    }
    EXPECT_EQ(files(), std::vector<std::string>{"list.csv"});
    EXPECT_EQ(read("list.csv"), kCsvHead + "\"\",\"\",\"p\"\r\n" + kCsvTail);
    EXPECT_EQ(testing::modeOf(path("list.csv")), 0640u);
    EXPECT_EQ(openListFile(path("nofolder/x.htm"), ListFormat::Htm, &error), nullptr);
    EXPECT_EQ(error.code(), Status::Code::IoError);
    EXPECT_NE(error.message().find("nofolder"), std::string::npos);
}

} // namespace
} // namespace quorlix
