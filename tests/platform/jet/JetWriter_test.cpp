// Databases written by the Jet writer, read back through the libmdb-based
// reader and through the small decoder of JetWriterTestSupport.h.
#include <gtest/gtest.h>

#include <functional>

#include "platform/jet/JetWriterTestSupport.h"

namespace quorlix::jet
{
namespace
{

namespace fs = std::filesystem;
using testing::RawDatabase;
using testing::u16At;
using testing::u32At;
using testing::u8At;

using testing::readBack;
using testing::Row;
using testing::TableContent;

class JetWriterTest : public ::testing::Test
{
protected:
    fs::path file(const std::string& ext = ".mdb") const { return m_dir.path("db" + ext); }
    quorlix::testing::TempFolder m_dir;
};

// What Access relies on when it later writes to a file, which readers never
// look at: page types, the free space of data pages, the global page map.
void checkStructure(const RawDatabase& db)
{
    const std::size_t pages = db.pageCount();
    ASSERT_GE(pages, 20u);
    for (std::uint32_t p = 1; p < pages; ++p) {
        const std::string page = db.page(p);
        ASSERT_TRUE(u8At(page, 0) >= 1 && u8At(page, 0) <= 5 && u8At(page, 1) == 1) << "page " << p;
        if (u8At(page, 0) == 1) {
            // Free space = page - header - slots - rows, every slot inside the page.
            const std::size_t at = db.jet4() ? 12 : 8;
            const std::uint32_t n = u16At(page, at);
            std::size_t used = 0;
            for (const std::string& r : db.rows(p))
                used += r.size();
            ASSERT_EQ(u16At(page, 2), db.pageSize() - (at + 2) - 2 * n - used) << "page " << p;
            ASSERT_LE(n, 255u);
        }
    }
    // Global map: bits mean free; no page of the file is free, later ones are.
    const std::string globalMap = db.rowAt(0x100);
    const std::vector<std::uint32_t> freePages = db.mapPages(globalMap);
    ASSERT_FALSE(freePages.empty());
    EXPECT_EQ(freePages.front(), pages);
    const std::size_t perBitmap = (db.pageSize() - 4) * 8;
    EXPECT_EQ(freePages.back() + 1, u8At(globalMap, 0) == 0 ? db.pageSize() == 2048 ? 1024u : 512u
                                                            : (freePages.back() / perBitmap + 1) * perBitmap);
    if (u8At(globalMap, 0) == 0) {
        EXPECT_EQ(u32At(globalMap, 1), 0u) << "the global map starts at page 0";
    }
}

std::vector<TextColumn> passwordColumns(bool allowZeroLength = true)
{
    return {{"Last_Name", allowZeroLength}, {"First_Name", allowZeroLength}, {"Password", allowZeroLength}};
}

Row passwordRow(std::string p)
{
    return {std::nullopt, std::nullopt, std::move(p)};
}

std::vector<TableContent> passwordTable(std::vector<Row> rows, std::vector<TextColumn> columns = passwordColumns())
{
    return {{"Password Database", std::move(columns), std::move(rows)}};
}

std::vector<TableContent> manyPasswords()
{
    std::vector<Row> rows;
    for (std::size_t i = 0; i < 100000; ++i) {
        const std::string p = std::to_string(i);
        rows.push_back(passwordRow(std::string(20 - p.size(), 'x') + p));
    }
    return passwordTable(std::move(rows));
}

std::vector<TableContent> dictionary()
{
    std::vector<TableContent> tables;
    for (char c = 'A'; c <= 'Z'; ++c) {
        tables.push_back({std::string(1, c), {{"Word", true}}, {}});
        for (std::size_t i = 0; i < 40; ++i)
            tables.back().rows.push_back({std::string(1, static_cast<char>(c + 32)) + "word" + std::to_string(i)});
    }
    return tables;
}

// Nine columns, rows long enough for jump tables, Nulls spread around; then
// rows just past the jump boundaries of a Jet 3 row (a dummy jump at 257
// bytes, the end offset past 256, two jumps) in fields of 255 characters.
std::vector<TableContent> wideRows()
{
    std::vector<TextColumn> cols;
    for (int i = 0; i < 9; ++i)
        cols.push_back({"C" + std::to_string(i), true});
    std::vector<Row> rows(60);
    for (std::size_t n = 0; n < rows.size(); ++n)
        for (std::size_t k = 0; k < 9; ++k)
            rows[n].push_back((n + k) % 7 == 0 ? std::nullopt
                                               : Row::value_type(std::string((n * 7 + k * 13) % 51, char('a' + k))));
    const auto text = [](std::size_t n, char c) { return Row::value_type(std::string(n, c)); };
    return {{"Wide", cols, rows},
            {"Jumps",
             {{"A", true, 255}, {"B", true, 255}, {"C", true, 255}},
             {{text(250, 'a'), std::nullopt, std::nullopt},
              {text(100, 'a'), text(100, 'b'), text(54, 'c')},
              {text(255, 'a'), text(255, 'b'), text(255, 'c')}}}};
}

struct RoundTrip {
    const char* name;
    JetVersion version;
    std::string password;
    std::function<std::vector<TableContent>()> tables;
    bool referenceMaps = false; // owned map of the first table by reference
};

class JetWriterRoundTrip : public JetWriterTest, public ::testing::WithParamInterface<RoundTrip>
{
};

TEST_P(JetWriterRoundTrip, ReaderGetsBackWhatWasWritten)
{
    const RoundTrip& c = GetParam();
    const std::vector<TableContent> tables = c.tables();
    const fs::path path = file(c.password.empty() ? ".mdb" : ".dct");
    ASSERT_TRUE(testing::writeTables(path, c.version, c.password, tables).isOk());
    FileHeader header;
    ASSERT_TRUE(readFileHeader(path.string(), &header).isOk());
    EXPECT_EQ(header.password, c.password);

    for (const char* wrong : {"", "KFZ LOMB 7316", "kfz lomb 731"}) {
        if (c.password.empty())
            break;
        Status status;
        EXPECT_FALSE(DatabaseReader::open(path.string(), wrong, &status)) << wrong;
        EXPECT_EQ(status.code(), Status::Code::InvalidArgument);
        EXPECT_EQ(status.message(), "Not a valid password.");
    }
    const testing::ReadBack m = readBack(path, c.password);
    ASSERT_TRUE(m.status.isOk()) << m.status.message();
    EXPECT_EQ(m.version, c.version);
    std::vector<std::string> names;
    for (const TableContent& t : tables) {
        SCOPED_TRACE(t.name);
        names.push_back(t.name);
        const testing::ReadTable& mt = m.tables.at(t.name);
        ASSERT_EQ(mt.columns.size(), t.columns.size());
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            EXPECT_EQ(mt.columns[k].name, t.columns[k].name);
            EXPECT_EQ(mt.columns[k].size, t.columns[k].size * (c.version == JetVersion::Jet4 ? 2 : 1));
            EXPECT_EQ(mt.columns[k].allowZeroLength, t.columns[k].allowZeroLength);
        }
        EXPECT_EQ(mt.rowCount, t.rows.size());
        ASSERT_EQ(mt.rows.size(), t.rows.size());
        for (std::size_t r = 0; r < t.rows.size(); ++r)
            ASSERT_EQ(mt.rows[r], t.rows[r]) << "row " << r; // Null and zero-length kept apart
    }
    EXPECT_EQ(m.names, names);

    const RawDatabase db(testing::slurp(path));
    checkStructure(db);
    std::uint32_t firstTable = 18;
    while (u8At(db.page(firstTable), 0) != 2)
        ++firstTable;
    EXPECT_EQ(u8At(db.rowAt(db.ownedMap(firstTable)), 0), c.referenceMaps ? 1u : 0u);
}

const std::vector<Row> kThreeRows = {passwordRow("k#9!Qz"), passwordRow(" lead"), passwordRow("trail <&>\"'")};
const std::vector<TextColumn> kBlankNames = {{"Last Name", false}, {"First Name", false}, {"Password", false}};
const auto J3 = JetVersion::Jet3;
const auto J4 = JetVersion::Jet4;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, JetWriterRoundTrip,
    ::testing::Values(
        RoundTrip{"emptyTableJet3", J3, "", [] { return passwordTable({}); }},
        RoundTrip{"emptyTableJet4", J4, "", [] { return passwordTable({}); }},
        RoundTrip{"threeRowsJet3", J3, "", [] { return passwordTable(kThreeRows); }},
        RoundTrip{"threeRowsJet4", J4, "", [] { return passwordTable(kThreeRows); }},
        RoundTrip{"nullAndEmptyFields", J3, "", [] { return passwordTable({
            {std::string("Smith"), std::nullopt, std::string("p1")}, {std::string(), std::string(), std::string()},
            {std::nullopt, std::nullopt, std::nullopt},
            {std::string(50, 'L'), std::string(50, 'F'), std::string(50, 'P')}}); }},
        RoundTrip{"blankNamesNoZeroLengthJet3", J3, "",
                  [] { return passwordTable({passwordRow("abc"), passwordRow("def")}, kBlankNames); }},
        RoundTrip{"blankNamesNoZeroLengthJet4", J4, "",
                  [] { return passwordTable({passwordRow("abc")}, kBlankNames); }},
        RoundTrip{"accentsAndEuroJet3", J3, "", [] { return std::vector<TableContent>{
            {"Woerter", {{"Wort\xC3\xA9", true}}, {{"caf\xC3\xA9"}, {"\xE2\x82\xAC" "5"}}}}; }},
        RoundTrip{"accentsJet4", J4, "", [] { return std::vector<TableContent>{
            {"Words", {{"Word", true}}, {{"\xC5\x81\xC3\xB3" "d" "\xC5\xBA"}, {"na"}}}}; }},
        RoundTrip{"wideRowsWithJumpTablesJet3", J3, "", wideRows},
        RoundTrip{"wideRowsJet4", J4, "", wideRows},
        RoundTrip{"dictionaryJet3", J3, "kfz lomb 7316", dictionary},
        RoundTrip{"dictionaryJet4", J4, "kfz lomb 7316", dictionary},
        RoundTrip{"hundredThousandRowsJet3", J3, "", manyPasswords, true},
        RoundTrip{"hundredThousandRowsJet4", J4, "", manyPasswords, true}),
    [](const ::testing::TestParamInfo<RoundTrip>& i) { return i.param.name; });
// clang-format on

// A call the writer refuses: the failure is kept, later calls return it,
// and close() still leaves a readable file with the records accepted before.
struct Refusal {
    const char* name;
    JetVersion version;
    int startWith;     // -1: nothing; 0/1: a password table (zero length off/on) with one record
    std::string table; // the refused call: createTable(table, columns), or appendRow(row) when empty
    std::vector<TextColumn> columns;
    Row row;
    std::string message;
};

class JetWriterRefusal : public JetWriterTest, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(JetWriterRefusal, KeepsFirstFailureAndAValidFile)
{
    const Refusal& c = GetParam();
    Status error;
    auto w = createDatabaseWriter(file().string(), c.version, "", {}, &error);
    ASSERT_TRUE(w);
    if (c.startWith >= 0) {
        ASSERT_TRUE(w->createTable("Password Database", passwordColumns(c.startWith == 1)).isOk());
        ASSERT_TRUE(w->appendRow({std::nullopt, std::nullopt, "first"}).isOk());
    }
    const std::vector<std::optional<std::string_view>> values(c.row.begin(), c.row.end());
    const Status s = c.table.empty() ? w->appendRow(values) : w->createTable(c.table, c.columns);
    EXPECT_EQ(s.code(), Status::Code::InvalidArgument);
    EXPECT_EQ(s.message(), c.message);
    EXPECT_EQ(w->appendRow({std::nullopt}).message(), c.message);
    EXPECT_EQ(w->createTable("Later", {{"Word", true}}).message(), c.message);
    EXPECT_EQ(w->close().message(), c.message);
    quorlix::testing::keepDatabaseCopy(file().string());
    const testing::ReadBack m = readBack(file());
    ASSERT_TRUE(m.status.isOk()) << m.status.message();
    EXPECT_EQ(m.names.size(), c.startWith >= 0 ? 1u : 0u);
    if (c.startWith >= 0) {
        EXPECT_EQ(m.tables.at("Password Database").rows, std::vector<Row>{passwordRow("first")});
        EXPECT_EQ(m.tables.at("Password Database").rowCount, 1u);
    }
    checkStructure(RawDatabase(testing::slurp(file())));
}

std::vector<TextColumn> tooManyColumns()
{
    std::vector<TextColumn> cols;
    for (int i = 0; i < 30; ++i)
        cols.push_back({std::string(60, 'a') + std::to_string(i), true});
    return cols;
}

const std::vector<TextColumn> kWord = {{"Word", true}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, JetWriterRefusal,
    ::testing::Values(
        Refusal{"emptyTextWhereZeroLengthIsOff", J3, 0, "", {}, passwordRow(""),
                "The field \"Password\" cannot hold an empty text."},
        Refusal{"textLongerThanField", J4, 1, "", {}, passwordRow(std::string(51, 'x')),
                "The text \"" + std::string(51, 'x') +
                    "\" is longer than the 50 characters of the field \"Password\"."},
        Refusal{"moreValuesThanFields", J3, 1, "", {}, {"a", "b", "c", "d"},
                "Table \"Password Database\" has only 3 fields."},
        Refusal{"recordBeforeAnyTable", J3, -1, "", {}, {"a"}, "No table is open to add records to."},
        Refusal{"sameTableTwiceIgnoringCase", J3, 1, "PASSWORD database", kWord, {},
                "Table \"PASSWORD database\": a table of that name already exists."},
        Refusal{"dotInTableName", J3, -1, "Pass.words", kWord, {}, "\"Pass.words\" is not a valid table name."},
        Refusal{"systemTableName", J3, -1, "MSysWords", kWord, {},
                "Table \"MSysWords\": names beginning with MSys are reserved for the system tables."},
        Refusal{"nonAsciiTableName", J3, -1, "W\xC3\xB6rter", kWord, {},
                "Table \"W\xC3\xB6rter\": table names must be plain ASCII."},
        Refusal{"hyphenInJet4TableName", J4, -1, "Pass-words", kWord, {},
                "Table \"Pass-words\": table names must be plain ASCII without ' or -."},
        Refusal{"sameFieldTwice", J3, -1, "A", {{"Word", true}, {"WORD", true}}, {},
                "Table \"A\": the field \"WORD\" appears twice."},
        Refusal{"noFields", J3, -1, "A", {}, {}, "Table \"A\": a table needs at least one field."},
        Refusal{"fieldNameTooLong", J4, -1, "A", {{std::string(65, 'n'), true}}, {},
                "Table \"A\": \"" + std::string(65, 'n') + "\" is not a valid field name."},
        Refusal{"tooManyFields", J3, -1, "A", tooManyColumns(), {},
                "Table \"A\": too many fields or field names too long."},
        Refusal{"textOutsideCodePage1252", J3, 1, "", {}, passwordRow("\xD0\x96"),
                "The text \"\xD0\x96\" has the character 0x0416 that an Access 97 database cannot hold."}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return i.param.name; });
// clang-format on

// A path or password create() refuses, leaving an existing file alone.
TEST_F(JetWriterTest, CreateRefusesWithoutTouchingAnything)
{
    std::ofstream(file()) << "keep me";
    using C = Status::Code;
    const struct {
        fs::path path;
        std::string password;
        Status::Code code;
    } cases[] = {{file(), "", C::IoError},
                 {m_dir.path("no/such/db.mdb"), "", C::InvalidFileName},
                 {fs::path(), "", C::InvalidFileName},
                 {file(".dct"), std::string(21, 'p'), C::InvalidArgument},
                 {file(".dct"), "\xD0\x96", C::InvalidArgument}};
    for (const auto& c : cases) {
        Status error;
        EXPECT_FALSE(createDatabaseWriter(c.path.string(), JetVersion::Jet3, c.password, {}, &error)) << c.path;
        EXPECT_EQ(error.code(), c.code) << c.path << ": " << error.message();
        EXPECT_FALSE(error.message().empty());
        EXPECT_FALSE(fs::exists(file(".dct")));
    }
    EXPECT_EQ(testing::slurp(file()), "keep me");
}

class JetWriterLimit : public JetWriterTest, public ::testing::WithParamInterface<std::tuple<JetVersion, bool>>
{
};

// The size limit is checked before every page (a table takes two at once):
// the file stops short of it and stays complete, no page left unwritten.
TEST_P(JetWriterLimit, RefusesThePageThatWouldPassTheLimit)
{
    const auto [version, byTables] = GetParam();
    WriterOptions options;
    options.maxPages = byTables ? 60 : 120;
    Status error;
    auto w = createDatabaseWriter(file().string(), version, "", options, &error);
    ASSERT_TRUE(w);
    if (!byTables) {
        ASSERT_TRUE(w->createTable("Password Database", passwordColumns()).isOk());
    }
    const std::string p(50, 'q');
    std::size_t accepted = 0;
    Status s;
    while ((s = byTables ? w->createTable("T" + std::to_string(accepted), {{"Word", true}})
                         : w->appendRow({std::nullopt, std::nullopt, std::string_view(p)}))
               .isOk())
        ++accepted;
    EXPECT_EQ(s.code(), Status::Code::TooLarge);
    EXPECT_EQ(s.message(), version == JetVersion::Jet4
                               ? "The database has reached the 2 GB size limit of an Access 2000 file; no more "
                                 "records can be added."
                               : "The database has reached the 1 GB size limit of an Access 97 (Jet 3) file; no "
                                 "more records can be added.");
    EXPECT_GT(accepted, byTables ? 5u : 1000u);
    EXPECT_EQ(w->close().code(), Status::Code::TooLarge);
    quorlix::testing::keepDatabaseCopy(file().string());
    const RawDatabase db(testing::slurp(file()));
    EXPECT_LE(db.pageCount(), options.maxPages);
    checkStructure(db);
    const testing::ReadBack m = readBack(file());
    ASSERT_TRUE(m.status.isOk()) << m.status.message();
    EXPECT_EQ(m.names.size(), byTables ? accepted : 1u);
    if (!byTables) {
        EXPECT_EQ(m.tables.at("Password Database").rows.size(), accepted);
        EXPECT_EQ(m.tables.at("Password Database").rowCount, accepted);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, JetWriterLimit,
                         ::testing::Combine(::testing::Values(JetVersion::Jet3, JetVersion::Jet4), ::testing::Bool()),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param) == JetVersion::Jet3 ? "Jet3" : "Jet4") +
                                    (std::get<1>(p.param) ? "ByTables" : "OneTable");
                         });

// Owner-only from the start; a writer dropped unclosed leaves no file; a
// closed one refuses more work and stays readable.
TEST_F(JetWriterTest, OwnerOnlyNoFileUnlessClosedNothingAfterClose)
{
    Status error;
    for (bool closeIt : {false, true}) {
        auto w = DatabaseWriter::create(file().string(), JetVersion::Jet3, "", &error);
        ASSERT_TRUE(w) << error.message();
        EXPECT_EQ(fs::status(file()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_TRUE(w->createTable("Password Database", passwordColumns()).isOk());
        ASSERT_TRUE(w->appendRow({std::nullopt, std::nullopt, "x"}).isOk());
        if (!closeIt) {
            w.reset();
            EXPECT_FALSE(fs::exists(file()));
            continue;
        }
        ASSERT_TRUE(w->close().isOk());
        EXPECT_EQ(w->createTable("A", {{"Word", true}}).message(), "The database is already closed.");
        EXPECT_EQ(w->appendRow({"a"}).message(), "The database is already closed.");
        EXPECT_TRUE(w->close().isOk());
    }
    quorlix::testing::keepDatabaseCopy(file().string());
    EXPECT_EQ(readBack(file()).tables.at("Password Database").rows, std::vector<Row>{passwordRow("x")});
}

} // namespace
} // namespace quorlix::jet
