// The reader on real Access files, on files the writer made, and on damaged copies.
#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriterTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quorlix;
using namespace quorlix::jet;
using quorlix::jet::testing::Row;
using quorlix::jet::testing::slurp;

namespace
{

const fs::path kSamples = fs::path(QUORLIX_SHARED_DIR) / "samples" / "jet";

class TempDir
{
public:
    TempDir()
        : m_path(fs::temp_directory_path() / ("jetreader-" + std::to_string(::getpid()) + "-" + std::to_string(++s_n)))
    {
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    static inline int s_n = 0;
    fs::path m_path;
};

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// All rows of a table, or the failure that ended the walk.
Status readAll(DatabaseReader& db, const std::string& table, std::vector<Row>* rows)
{
    Status status;
    auto reader = db.openTable(table, &status);
    if (!reader)
        return status;
    rows->clear();
    while (reader->next()) {
        Row row;
        for (std::size_t i = 0; i < reader->columnNames().size(); ++i)
            row.push_back(reader->field(i));
        rows->push_back(std::move(row));
    }
    return reader->status();
}

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
    if (!fs::exists(kSamples))
        GTEST_SKIP() << "no samples at " << kSamples;
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
        ASSERT_TRUE(readAll(*db, tables[i], &rows).isOk()) << tables[i];
        EXPECT_EQ(rows.size(), c.tables[i].second) << tables[i];
    }
    for (const auto& t : tables)
        EXPECT_NE(t.rfind("MSys", 0), 0u) << "system table listed: " << t;
}

INSTANTIATE_TEST_SUITE_P(
    Jet, SampleFiles,
    ::testing::Values(SampleCase{"adox_jet4.mdb", 1, {}}, SampleCase{"emptyV2000.mdb", 1, {}},
                      SampleCase{"compIndexTestV1997.mdb", 0, {{"Table1", 512}}},
                      SampleCase{"delColTestV1997.mdb", 0, {{"Table1", 2}}},
                      SampleCase{"delTestV1997.mdb", 0, {{"Table", 2}}},
                      SampleCase{"indexTestV1997.mdb", 0, {{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}},
                      SampleCase{"overflowTestV1997.mdb", 0, {{"Table1", 7}}},
                      SampleCase{"queryTestV1997.mdb", 0, {{"Table1", 0}, {"Table2", 0}, {"Table3", 0}}},
                      SampleCase{"test2V1997.mdb", 0, {{"MSP_PROJECTS", 1}}},
                      SampleCase{"testIndexCodesV1997.mdb", 0, {{"Table1", 275}, {"Table1_desc", 275}}},
                      SampleCase{"testV1997.mdb", 0, {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}}),
    [](const ::testing::TestParamInfo<SampleCase>& p) {
        std::string n = p.param.file;
        return n.substr(0, n.find('.'));
    });

TEST(JetReaderSamples, ValuesAndColumnFacts)
{
    if (!fs::exists(kSamples))
        GTEST_SKIP();
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

TEST_P(RoundTrip, ValuesNullsOrderAndPasswordSurvive)
{
    TempDir dir;
    const std::string path = dir.file("roundtrip.dct");
    const std::vector<Row> rows{{std::nullopt, std::nullopt, "abc"},
                                {"", std::nullopt, " pad "},
                                {"M\xC3\xBCller", "Zo\xC3\xAB", "\xE2\x82\xAC\xE2\x80\x9A\xC6\x92\xE2\x80\x9E"},
                                {std::nullopt, "x", ""}};
    std::vector<Row> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back({std::to_string(i), std::nullopt, std::string(static_cast<std::size_t>(i % 40 + 1), 'q')});
    const std::vector<TextColumn> columns{{"Last_Name", true}, {"First_Name", true}, {"Password", true}};
    ASSERT_TRUE(quorlix::jet::testing::writeTables(path, GetParam(), "kfz lomb 7316",
                                                   {{"Password Database", columns, rows}, {"Many", columns, many}})
                    .isOk());

    FileHeader header;
    ASSERT_TRUE(readFileHeader(path, &header).isOk());
    EXPECT_EQ(header.password, "kfz lomb 7316");
    EXPECT_EQ(header.versionByte, GetParam() == JetVersion::Jet3 ? 0 : 1);
    for (const char* wrong : {"", "KFZ LOMB 7316", "kfz lomb 731"}) {
        Status status;
        EXPECT_FALSE(DatabaseReader::open(path, wrong, &status)) << wrong;
        EXPECT_EQ(status.code(), Status::Code::InvalidArgument);
        EXPECT_EQ(status.message(), "Not a valid password.");
    }

    Status status;
    auto db = DatabaseReader::open(path, "kfz lomb 7316", &status);
    ASSERT_TRUE(db) << status.message();
    EXPECT_EQ(db->version(), GetParam());
    EXPECT_EQ(db->tables(), (std::vector<std::string>{"Password Database", "Many"}));
    std::vector<Row> got;
    ASSERT_TRUE(readAll(*db, "Password Database", &got).isOk());
    EXPECT_EQ(got, rows);
    for (const char* name : {"B", "MSysObjects", ""}) {
        EXPECT_FALSE(db->openTable(name, &status)) << name;
        EXPECT_EQ(status.code(), Status::Code::NotFound) << name;
    }

    // Two tables read side by side keep their own pages.
    auto a = db->openTable("many", &status);
    auto b = db->openTable("Many", &status);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->rowCount(), 2000u);
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
    TempDir dir;
    writeBytes(dir.file("text.mdb"), std::string(4096, 'x'));
    std::string jetStart("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    writeBytes(dir.file("short.mdb"), jetStart + std::string(2000, '\0'));
    writeBytes(dir.file("ragged.mdb"), jetStart + std::string(4096 + 100 - 20, '\0'));
    writeBytes(dir.file("empty.mdb"), "");
    fs::create_directories(dir.file("folder.mdb"));

    struct Case {
        std::string path;
        Status::Code code;
    };
    const std::vector<Case> cases{
        {"", Status::Code::InvalidFileName},
        {dir.file("folder.mdb"), Status::Code::InvalidFileName},
        {dir.file(""), Status::Code::InvalidFileName},
        {dir.file("missing.mdb"), Status::Code::IoError},
        {dir.file("text.mdb"), Status::Code::Corruption},
        {dir.file("short.mdb"), Status::Code::Corruption},
        {dir.file("ragged.mdb"), Status::Code::Corruption},
        {dir.file("empty.mdb"), Status::Code::Corruption},
    };
    for (const Case& c : cases) {
        Status status;
        auto db = DatabaseReader::open(c.path, "", &status);
        EXPECT_FALSE(db) << c.path;
        EXPECT_EQ(status.code(), c.code) << c.path << ": " << status.message();
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
        auto t = db->openTable(name, &status);
        if (!t)
            continue;
        std::uint64_t n = 0;
        while (t->next()) {
            for (std::size_t i = 0; i < t->columnNames().size(); ++i)
                t->field(i);
            ++n;
        }
        if (t->status().isOk()) {
            EXPECT_GE(n, t->rowCount()) << what << " table " << name;
        }
    }
}

TEST(JetReaderDamage, TruncatedCopiesOfOurFilesFailCleanly)
{
    TempDir dir;
    const std::string good = dir.file("good.mdb");
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({"word" + std::to_string(i)});
    ASSERT_TRUE(quorlix::jet::testing::writeTables(good, JetVersion::Jet3, "",
                                                   {{"A", {{"Word", false}}, rows}, {"B", {{"Word", false}}, rows}})
                    .isOk());
    const std::string bytes = slurp(good);
    const std::string cut = dir.file("cut.mdb");
    for (std::size_t pages = 1; pages * 2048 < bytes.size(); ++pages) {
        writeBytes(cut, bytes.substr(0, pages * 2048));
        checkDamagedFile(cut, "cut at page " + std::to_string(pages));
    }
}

TEST(JetReaderDamage, TruncatedSampleReportsShortTables)
{
    if (!fs::exists(kSamples))
        GTEST_SKIP();
    TempDir dir;
    const std::string bytes = slurp((kSamples / "testIndexCodesV1997.mdb").string());
    const std::string cut = dir.file("cut.mdb");
    // Cut inside the data of Table1_desc: its definition is still there, some
    // of its pages are not.
    writeBytes(cut, bytes.substr(0, 60 * 2048));
    Status status;
    auto db = DatabaseReader::open(cut, "", &status);
    ASSERT_TRUE(db) << status.message();
    std::vector<Row> got;
    ASSERT_TRUE(readAll(*db, "Table1", &got).isOk());
    EXPECT_EQ(got.size(), 275u);
    status = readAll(*db, "Table1_desc", &got);
    EXPECT_EQ(status.code(), Status::Code::Corruption);
    EXPECT_EQ(status.message(), "The database file " + cut + " is damaged and cannot be read.");
    status = readAll(*db, "Table10", &got);
    EXPECT_EQ(status.code(), Status::Code::Corruption);
    for (std::size_t pages = 2; pages * 2048 < bytes.size(); pages += 3) {
        writeBytes(cut, bytes.substr(0, pages * 2048));
        checkDamagedFile(cut, "cut at page " + std::to_string(pages));
    }
}

TEST(JetReaderDamage, ByteFlippedSamplesNeverCrash)
{
    if (!fs::exists(kSamples))
        GTEST_SKIP();
    TempDir dir;
    const std::string flipped = dir.file("flipped.mdb");
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
    const std::vector<std::pair<std::string, std::string>> cases{
        {"abc", "abc"},
        {"\x80", "\xE2\x82\xAC"},           // euro sign
        {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"}, // été
        {"\x81", "\xC2\x81"},               // undefined byte keeps its code point
        {"\x9F", "\xC5\xB8"},               // Y with diaeresis
        {"\xFF", "\xC3\xBF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(cp1252ToUtf8(in), out);
}

} // namespace
