// The reader on real Access files, on files the writer made, and on damaged copies.
#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriterTestSupport.h"

#include <gtest/gtest.h>

#include "support/Samples.h"

namespace fs = std::filesystem;
using namespace quorlix;
using namespace quorlix::jet;
using quorlix::jet::testing::readRows;
using quorlix::jet::testing::Row;
using quorlix::jet::testing::slurp;

namespace
{

const fs::path kSamples = quorlix::testing::samplesFolder();

using quorlix::jet::testing::writeBytes;
using quorlix::testing::TempFolder;

// --- real Access files ---------------------------------------------------

struct SampleCase {
    const char* file;
    int versionByte;
    std::vector<std::pair<std::string, std::uint64_t>> tables; // name, rows (first tables only)
};

class SampleFiles : public ::testing::TestWithParam<SampleCase>
{
};

TEST_P(SampleFiles, ListsUserTablesAndReadsEveryRow)
{
    QUORLIX_NEED_SAMPLES();
    const SampleCase& c = GetParam();
    Status status;
    auto db = DatabaseReader::open((kSamples / c.file).string(), "", &status);
    ASSERT_TRUE(db) << status.message();
    EXPECT_EQ(formatVersionByte(*db), c.versionByte);
    EXPECT_EQ(db->version(), c.versionByte == 0 ? JetVersion::Jet3 : JetVersion::Jet4);
    const auto tables = db->tables();
    ASSERT_GE(tables.size(), c.tables.size());
    for (std::size_t i = 0; i < c.tables.size(); ++i) {
        EXPECT_EQ(tables[i], c.tables[i].first);
        std::vector<Row> rows;
        ASSERT_TRUE(readRows(*db, tables[i], &rows).isOk()) << tables[i];
        EXPECT_EQ(rows.size(), c.tables[i].second) << tables[i];
    }
    for (const auto& t : tables)
        EXPECT_NE(t.rfind("MSys", 0), 0u) << "system table listed: " << t;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Jet, SampleFiles,
    ::testing::Values(
        SampleCase{"adox_jet4.mdb", 1, {}}, SampleCase{"emptyV2000.mdb", 1, {}},
        SampleCase{"compIndexTestV1997.mdb", 0, {{"Table1", 512}}}, SampleCase{"delTestV1997.mdb", 0, {{"Table", 2}}},
        SampleCase{"delColTestV1997.mdb", 0, {{"Table1", 2}}}, SampleCase{"overflowTestV1997.mdb", 0, {{"Table1", 7}}},
        SampleCase{"indexTestV1997.mdb", 0, {{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}},
        SampleCase{"queryTestV1997.mdb", 0, {{"Table1", 0}, {"Table2", 0}, {"Table3", 0}}},
        SampleCase{"test2V1997.mdb", 0, {{"MSP_PROJECTS", 1}}},
        SampleCase{"testIndexCodesV1997.mdb", 0, {{"Table1", 275}, {"Table1_desc", 275}}},
        SampleCase{"testV1997.mdb", 0, {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}}),
    [](const ::testing::TestParamInfo<SampleCase>& p) {
        const std::string n = p.param.file;
        return n.substr(0, n.find('.'));
    });
// clang-format on

TEST(JetReaderSamples, ValuesAndColumnFacts)
{
    QUORLIX_NEED_SAMPLES();
    Status status;
    auto db = DatabaseReader::open((kSamples / "testV1997.mdb").string(), "any", &status); // no password set
    ASSERT_TRUE(db);
    std::vector<ColumnInfo> cols;
    ASSERT_TRUE(describeTable(*db, "table1", &cols).isOk()); // names are case-blind
    std::vector<std::pair<std::string, int>> got;
    for (const ColumnInfo& c : cols)
        got.emplace_back(c.name, c.type);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{
                       {"A", 10}, {"B", 10}, {"C", 2}, {"D", 3}, {"E", 4}, {"F", 7}, {"G", 8}, {"H", 5}, {"I", 1}}));
    ASSERT_TRUE(describeTable(*db, "Table2", &cols).isOk());
    ASSERT_EQ(cols.size(), 89u);
    EXPECT_TRUE(cols[0].allowZeroLength);
    EXPECT_EQ(cols[0].size, 50);

    auto table = db->openTable("Table1", &status);
    ASSERT_TRUE(table);
    ASSERT_TRUE(table->next());
    ASSERT_TRUE(table->next());
    EXPECT_EQ(table->field("a"), "abcdefg"); // names are case-blind
    EXPECT_EQ(table->field(std::size_t{4}), "333333333");
    EXPECT_TRUE(table->status().isOk());
    EXPECT_EQ(table->field("nope"), std::nullopt);
    EXPECT_EQ(table->status().code(), Status::Code::NotFound);
}

// --- files we write ----------------------------------------------------

class RoundTrip : public ::testing::TestWithParam<JetVersion>
{
};

// Two cursors on one table (names case-blind) each keep their own page;
// system tables and unknown names are not found.
TEST_P(RoundTrip, TwoCursorsAndNamesNotFound)
{
    TempFolder dir;
    const std::string path = dir.path("roundtrip.mdb");
    std::vector<Row> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back({std::to_string(i), std::nullopt, std::string(static_cast<std::size_t>(i % 40 + 1), 'q')});
    const std::vector<TextColumn> columns{{"Last_Name", true}, {"First_Name", true}, {"Password", true}};
    ASSERT_TRUE(quorlix::jet::testing::writeTables(path, GetParam(), "", {{"Many", columns, many}}).isOk());
    Status status;
    auto db = DatabaseReader::open(path, "", &status);
    ASSERT_TRUE(db) << status.message();
    for (const char* name : {"B", "MSysObjects", ""}) {
        EXPECT_FALSE(db->openTable(name, &status)) << name;
        EXPECT_EQ(status.code(), Status::Code::NotFound) << name;
    }
    auto a = db->openTable("many", &status);
    auto b = db->openTable("Many", &status);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->columnNames(), (std::vector<std::string>{"Last_Name", "First_Name", "Password"}));
    for (std::size_t i = 0; i < many.size(); ++i) {
        ASSERT_TRUE(a->next());
        ASSERT_EQ(a->field(0), many[i][0]);
        if (i % 2 == 0) {
            ASSERT_TRUE(b->next());
            ASSERT_EQ(b->field(2), many[i / 2][2]);
        }
    }
    EXPECT_FALSE(a->next());
    EXPECT_TRUE(a->status().isOk());
}

INSTANTIATE_TEST_SUITE_P(Versions, RoundTrip, ::testing::Values(JetVersion::Jet3, JetVersion::Jet4),
                         [](const ::testing::TestParamInfo<JetVersion>& p) {
                             return p.param == JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

// --- refusals ----------------------------------------------------------

TEST(JetReaderErrors, EachBadPathGetsItsClass)
{
    TempFolder dir;
    writeBytes(dir.path("text.mdb"), std::string(4096, 'x'));
    std::string jetStart("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    writeBytes(dir.path("short.mdb"), jetStart + std::string(2000, '\0'));
    writeBytes(dir.path("ragged.mdb"), jetStart + std::string(4096 + 100 - 20, '\0'));
    writeBytes(dir.path("empty.mdb"), "");
    fs::create_directories(dir.path("folder.mdb"));

    using C = Status::Code;
    const std::vector<std::pair<std::string, C>> cases{{"", C::InvalidFileName},
                                                       {dir.path("folder.mdb"), C::InvalidFileName},
                                                       {dir.path(""), C::InvalidFileName},
                                                       {dir.path("missing.mdb"), C::IoError},
                                                       {dir.path("text.mdb"), C::Corruption},
                                                       {dir.path("short.mdb"), C::Corruption},
                                                       {dir.path("ragged.mdb"), C::Corruption},
                                                       {dir.path("empty.mdb"), C::Corruption}};
    for (const auto& [path, code] : cases) {
        Status status;
        EXPECT_FALSE(DatabaseReader::open(path, "", &status)) << path;
        EXPECT_EQ(status.code(), code) << path << ": " << status.message();
        EXPECT_FALSE(status.message().empty());
    }
}

// Damaged copies must end in an error or in complete tables, never in a
// crash, a hang or a table that silently comes back short.
void checkDamagedFile(const std::string& path, const std::string& what)
{
    Status status;
    auto db = DatabaseReader::open(path, "", &status);
    if (!db) {
        EXPECT_FALSE(status.isOk()) << what;
        EXPECT_FALSE(status.message().empty()) << what;
        return;
    }
    for (const auto& name : db->tables()) {
        std::vector<Row> rows;
        std::uint64_t stored = 0;
        if (readRows(*db, name, &rows, &stored).isOk()) {
            EXPECT_GE(rows.size(), stored) << what << " table " << name;
        }
    }
}

// Every cut at a page boundary, step pages apart.
void checkCuts(const TempFolder& dir, const std::string& bytes, std::size_t first, std::size_t step)
{
    const std::string cut = dir.path("cut.mdb");
    for (std::size_t pages = first; pages * 2048 < bytes.size(); pages += step) {
        writeBytes(cut, bytes.substr(0, pages * 2048));
        checkDamagedFile(cut, "cut at page " + std::to_string(pages));
    }
}

TEST(JetReaderDamage, TruncatedCopiesOfOurFilesFailCleanly)
{
    TempFolder dir;
    const std::string good = dir.path("good.mdb");
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({"word" + std::to_string(i)});
    ASSERT_TRUE(quorlix::jet::testing::writeTables(good, JetVersion::Jet3, "",
                                                   {{"A", {{"Word", false}}, rows}, {"B", {{"Word", false}}, rows}})
                    .isOk());
    checkCuts(dir, slurp(good), 1, 1);
}

TEST(JetReaderDamage, TruncatedSampleReportsShortTables)
{
    QUORLIX_NEED_SAMPLES();
    TempFolder dir;
    const std::string bytes = slurp((kSamples / "testIndexCodesV1997.mdb").string());
    const std::string cut = dir.path("cut.mdb");
    // The table list lies on pages 18 and 124: a file cut before 124 cannot
    // list its tables completely, and a partial list is no list.
    writeBytes(cut, bytes.substr(0, 60 * 2048));
    Status status;
    EXPECT_FALSE(DatabaseReader::open(cut, "", &status));
    EXPECT_EQ(status.message(), "The table list of " + cut + " cannot be read completely.");
    // Cut inside the data of Table15: its definition is still there, its page is not.
    writeBytes(cut, bytes.substr(0, 136 * 2048));
    auto db = DatabaseReader::open(cut, "", &status);
    ASSERT_TRUE(db) << status.message();
    std::vector<Row> got;
    ASSERT_TRUE(readRows(*db, "Table1", &got).isOk());
    EXPECT_EQ(got.size(), 275u);
    status = readRows(*db, "Table15", &got);
    EXPECT_EQ(status.code(), Status::Code::Corruption);
    EXPECT_EQ(status.message(), "The database file " + cut + " is damaged and cannot be read.");
    EXPECT_EQ(readRows(*db, "Table15_desc", &got).code(), Status::Code::Corruption);
    db.reset();
    checkCuts(dir, bytes, 2, 3);
}

TEST(JetReaderDamage, ByteFlippedSamplesNeverCrash)
{
    QUORLIX_NEED_SAMPLES();
    TempFolder dir;
    const std::string flipped = dir.path("flipped.mdb");
    int variant = 0;
    for (const char* name : {"testV1997.mdb", "indexTestV1997.mdb", "testIndexCodesV1997.mdb", "adox_jet4.mdb"}) {
        const std::string bytes = slurp((kSamples / name).string());
        // Deterministic damage: runs of bytes overwritten at spread positions,
        // covering the header, catalog, table definitions, maps and rows.
        for (std::size_t start = 0; start < bytes.size(); start += bytes.size() / 97 + 13) {
            std::string copy = bytes;
            for (std::size_t k = 0; k < 24 && start + k * 7 < copy.size(); ++k)
                copy[start + k * 7] = static_cast<char>(copy[start + k * 7] ^ (0x5A + ++variant));
            writeBytes(flipped, copy);
            checkDamagedFile(flipped, std::string(name) + " at " + std::to_string(start));
        }
    }
}

TEST(Cp1252, BytesBecomeUtf8)
{
    // Euro sign, e acute, an undefined byte keeping its code point, Y diaeresis, y diaeresis, an inner NUL.
    const std::vector<std::pair<std::string, std::string>> cases{{"abc", "abc"},
                                                                 {"\x80", "\xE2\x82\xAC"},
                                                                 {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
                                                                 {"\x81", "\xC2\x81"},
                                                                 {"\x9F", "\xC5\xB8"},
                                                                 {"\xFF", "\xC3\xBF"},
                                                                 {std::string("a\0b", 3), std::string("a\0b", 3)}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(cp1252ToUtf8(in), out);
}

} // namespace
