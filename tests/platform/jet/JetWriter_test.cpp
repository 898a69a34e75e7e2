// Databases written by the Jet writer, read back through libmdb and through
// the small decoder of JetWriterTestSupport.h.
#include <gtest/gtest.h>
#include <mdbtools.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>

#include "platform/jet/JetFormat.h"
#include "platform/jet/JetWriter.h"
#include "platform/jet/JetWriterTestSupport.h"

namespace quorlix::jet {
namespace {

namespace fs = std::filesystem;
using testing::RawDatabase;
using testing::u16At;
using testing::u32At;
using testing::u8At;

using Row = std::vector<std::optional<std::string>>;

struct TableSpec {
    std::string name;
    std::vector<TextColumn> columns;
    std::vector<Row> rows;
};

// What libmdb sees of a user table. libmdb gives Null as "".
struct MdbTable {
    std::vector<std::string> columns;
    std::vector<int> sizes;
    std::size_t numRows = 0;
    std::vector<std::vector<std::string>> rows;
    std::map<std::string, std::string> allowZeroLength; // column -> "yes"
};
struct MdbContents {
    bool opened = false;
    bool jet4 = false;
    std::vector<std::string> userTables; // catalog order
    std::map<std::string, MdbTable> tables;
};

MdbContents readWithLibmdb(const fs::path& file)
{
    MdbContents c;
    MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
    if (!mdb)
        return c;
    c.opened = true;
    c.jet4 = mdb->f->jet_version != MDB_VER_JET3;
    mdb_read_catalog(mdb, MDB_TABLE);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        const std::string name = entry->object_name;
        c.userTables.push_back(name);
        MdbTable& t = c.tables[name];
        if (entry->props) {
            for (unsigned k = 0; k < entry->props->len; ++k) {
                auto* p = static_cast<MdbProperties*>(g_ptr_array_index(entry->props, k));
                const char* v = p->hash ? static_cast<const char*>(g_hash_table_lookup(p->hash, "AllowZeroLength"))
                                        : nullptr;
                if (p->name && v)
                    t.allowZeroLength[p->name] = v;
            }
        }
        MdbTableDef* table = mdb_read_table(entry);
        if (!table)
            continue;
        mdb_read_columns(table);
        std::vector<std::vector<char>> buffers(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
        std::vector<int> lengths(table->num_cols);
        for (unsigned k = 0; k < table->num_cols; ++k) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
            t.columns.push_back(col->name);
            t.sizes.push_back(col->col_size);
            mdb_bind_column(table, static_cast<int>(k + 1), buffers[k].data(), &lengths[k]);
        }
        t.numRows = table->num_rows;
        mdb_rewind_table(table);
        while (mdb_fetch_row(table)) {
            std::vector<std::string> row;
            for (unsigned k = 0; k < table->num_cols; ++k)
                row.emplace_back(buffers[k].data());
            t.rows.push_back(std::move(row));
        }
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    return c;
}

class JetWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string id = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& ch : id)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '-';
        m_id = id;
        m_dir = fs::temp_directory_path() / ("quorlix-jetw-" + std::to_string(::getpid()) + "-" + id);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path file(const std::string& ext = ".mdb") const { return m_dir / ("db" + ext); }

    // Writes the tables; returns close()'s status.
    Status write(const fs::path& path, JetVersion version, std::string_view password,
                 const std::vector<TableSpec>& tables, WriterOptions options = {})
    {
        options.creationDate = options.creationDate < 0 ? 45000.5 : options.creationDate;
        Status error;
        auto w = createDatabaseWriter(path.string(), version, password, options, &error);
        EXPECT_TRUE(w) << error.message();
        if (!w)
            return error;
        for (const TableSpec& t : tables) {
            EXPECT_TRUE(w->createTable(t.name, t.columns).isOk()) << w->status().message();
            std::vector<std::optional<std::string_view>> values;
            for (const Row& r : t.rows) {
                values.assign(r.begin(), r.end());
                EXPECT_TRUE(w->appendRow(values).isOk()) << w->status().message();
            }
        }
        Status s = w->close();
        keepForReaders(path, password.empty() ? ".mdb" : ".dct");
        return s;
    }
    void keepForReaders(const fs::path& path, const std::string& ext) const
    {
        testing::keepForReaders(path, "writer-" + m_id + ext);
    }

    fs::path m_dir;
    std::string m_id;
};

// Structure every written file must have, whatever it holds.
void checkStructure(const RawDatabase& db, std::size_t expectedUserRows)
{
    const std::size_t pages = db.pageCount();
    ASSERT_GE(pages, 20u);
    for (std::uint32_t p = 1; p < pages; ++p) {
        const std::string page = db.page(p);
        ASSERT_LE(u8At(page, 0), 5u) << "page " << p;
        ASSERT_GE(u8At(page, 0), 1u) << "page " << p;
        ASSERT_EQ(u8At(page, 1), 1u) << "page " << p;
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
    const std::vector<std::uint32_t> freePages = db.mapPages(db.rowAt(0x100));
    ASSERT_FALSE(freePages.empty());
    EXPECT_EQ(freePages.front(), pages);
    // Every row of every user table, counted through the owned maps.
    std::size_t rows = 0;
    for (std::uint32_t p = 18; p < pages; ++p) {
        const std::string page = db.page(p);
        if (u8At(page, 0) != 2)
            continue;
        const RawDatabase::Table t = db.table(p);
        std::size_t counted = 0;
        for (std::uint32_t d : db.mapPages(db.rowAt(t.ownedMap))) {
            EXPECT_EQ(u32At(db.page(d), 4), p) << "data page " << d << " owned by table " << p;
            counted += db.rows(d).size();
        }
        EXPECT_EQ(counted, t.rowCount);
        rows += counted;
    }
    EXPECT_EQ(rows, expectedUserRows);
}

// The database password as page 0 holds it (ASCII passwords only): under
// the header mask, for Jet 4 also XORed with the creation day.
std::string storedPassword(const RawDatabase& db, std::uint32_t creationDay)
{
    const Format& f = formatOf(db.jet4() ? JetVersion::Jet4 : JetVersion::Jet3);
    std::string p = unmaskHeaderPage(f, db.page(0)).substr(0x42, f.passwordSize);
    std::string out;
    for (std::size_t i = 0; i < p.size(); i += db.jet4() ? 2 : 1) {
        std::uint32_t ch = static_cast<unsigned char>(p[i]);
        if (db.jet4())
            ch ^= (creationDay >> (8 * (i % 4))) & 0xFF;
        if (ch == 0)
            break;
        out.push_back(static_cast<char>(ch));
    }
    return out;
}

std::vector<TextColumn> passwordColumns() { return {{"Last_Name", true}, {"First_Name", true}, {"Password", true}}; }

Row passwordRow(std::string p) { return {std::nullopt, std::nullopt, std::move(p)}; }

std::vector<Row> passwordRows(std::size_t n, std::size_t length)
{
    std::vector<Row> rows;
    for (std::size_t i = 0; i < n; ++i) {
        std::string p = std::to_string(i);
        p = std::string(length > p.size() ? length - p.size() : 0, 'x') + p;
        rows.push_back(passwordRow(p));
    }
    return rows;
}

std::vector<TableSpec> dictionary(std::size_t wordsPerLetter)
{
    std::vector<TableSpec> tables;
    for (char c = 'A'; c <= 'Z'; ++c) {
        TableSpec t{std::string(1, c), {{"Word", true}}, {}};
        for (std::size_t i = 0; i < wordsPerLetter; ++i)
            t.rows.push_back({std::string(1, static_cast<char>(c + 32)) + "word" + std::to_string(i)});
        tables.push_back(std::move(t));
    }
    return tables;
}

struct RoundTrip {
    const char* name;
    JetVersion version;
    std::string password;
    std::function<std::vector<TableSpec>()> tables;
    bool referenceMaps = false; // owned map of the first table by reference
};

class JetWriterRoundTrip : public JetWriterTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(JetWriterRoundTrip, LibmdbReadsBackWhatWasWritten)
{
    const RoundTrip& c = GetParam();
    const std::vector<TableSpec> tables = c.tables();
    const fs::path path = file(c.password.empty() ? ".mdb" : ".dct");
    ASSERT_TRUE(write(path, c.version, c.password, tables).isOk());

    const MdbContents m = readWithLibmdb(path);
    ASSERT_TRUE(m.opened);
    EXPECT_EQ(m.jet4, c.version == JetVersion::Jet4);
    std::vector<std::string> names;
    std::size_t totalRows = 0;
    for (const TableSpec& t : tables) {
        names.push_back(t.name);
        totalRows += t.rows.size();
    }
    EXPECT_EQ(m.userTables, names);

    const RawDatabase db(testing::slurp(path));
    checkStructure(db, totalRows);
    EXPECT_EQ(storedPassword(db, 45000), c.password);

    std::uint32_t tdefPage = 18;
    for (const TableSpec& t : tables) {
        SCOPED_TRACE(t.name);
        const MdbTable& mt = m.tables.at(t.name);
        ASSERT_EQ(mt.columns.size(), t.columns.size());
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            EXPECT_EQ(mt.columns[k], t.columns[k].name);
            EXPECT_EQ(mt.sizes[k], c.version == JetVersion::Jet4 ? 100 : 50);
            auto it = mt.allowZeroLength.find(t.columns[k].name);
            EXPECT_EQ(it != mt.allowZeroLength.end() && it->second == "yes", t.columns[k].allowZeroLength);
        }
        EXPECT_EQ(mt.numRows, t.rows.size());
        ASSERT_EQ(mt.rows.size(), t.rows.size());
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            for (std::size_t k = 0; k < t.columns.size(); ++k) {
                ASSERT_EQ(mt.rows[r][k], t.rows[r][k].value_or("")) << "row " << r << " column " << k;
            }
        }
        // Null and zero-length stay apart (libmdb shows both as "").
        while (u8At(db.page(tdefPage), 0) != 2)
            ++tdefPage;
        const auto raw = db.tableRows(tdefPage);
        ASSERT_EQ(raw.size(), t.rows.size());
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            for (std::size_t k = 0; k < t.columns.size(); ++k) {
                ASSERT_EQ(raw[r][k].has_value(), t.rows[r][k].has_value()) << "row " << r << " column " << k;
                if (raw[r][k]) {
                    ASSERT_EQ(raw[r][k]->empty(), t.rows[r][k]->empty());
                }
            }
        }
        if (&t == &tables.front()) {
            EXPECT_EQ(u8At(db.rowAt(db.table(tdefPage).ownedMap), 0), c.referenceMaps ? 1u : 0u);
        }
        ++tdefPage;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JetWriterRoundTrip,
    ::testing::Values(
        RoundTrip{"emptyTableJet3", JetVersion::Jet3, "",
                  [] { return std::vector<TableSpec>{{"Password Database", passwordColumns(), {}}}; }},
        RoundTrip{"emptyTableJet4", JetVersion::Jet4, "",
                  [] { return std::vector<TableSpec>{{"Password Database", passwordColumns(), {}}}; }},
        RoundTrip{"threeRowsJet3", JetVersion::Jet3, "",
                  [] {
                      return std::vector<TableSpec>{{"Password Database", passwordColumns(),
                                                     {passwordRow("k#9!Qz"), passwordRow(" lead"),
                                                      passwordRow("trail ")}}};
                  }},
        RoundTrip{"threeRowsJet4", JetVersion::Jet4, "",
                  [] {
                      return std::vector<TableSpec>{{"Password Database", passwordColumns(),
                                                     {passwordRow("k#9!Qz"), passwordRow("ab"),
                                                      passwordRow("<&>\"'")}}};
                  }},
        RoundTrip{"nullAndEmptyFields", JetVersion::Jet3, "",
                  [] {
                      return std::vector<TableSpec>{
                          {"Password Database",
                           passwordColumns(),
                           {{std::string("Smith"), std::nullopt, std::string("p1")},
                            {std::string(), std::string(), std::string()},
                            {std::nullopt, std::nullopt, std::nullopt},
                            {std::string(50, 'L'), std::string(50, 'F'), std::string(50, 'P')}}}};
                  }},
        RoundTrip{"blankNamesNoZeroLength", JetVersion::Jet3, "",
                  [] {
                      return std::vector<TableSpec>{{"Password Database",
                                                     {{"Last Name", false}, {"First Name", false}, {"Password", false}},
                                                     {passwordRow("abc"), passwordRow("def")}}};
                  }},
        RoundTrip{"blankNamesNoZeroLengthJet4", JetVersion::Jet4, "",
                  [] {
                      return std::vector<TableSpec>{{"Password Database",
                                                     {{"Last Name", false}, {"First Name", false}, {"Password", false}},
                                                     {passwordRow("abc")}}};
                  }},
        RoundTrip{"accentsAndEuro", JetVersion::Jet3, "",
                  [] {
                      return std::vector<TableSpec>{{"Woerter", {{"Wort\xC3\xA9", true}},
                                                     {{std::string("caf\xC3\xA9")}, {std::string("\xE2\x82\xAC" "5")}}}};
                  }},
        RoundTrip{"accentsJet4", JetVersion::Jet4, "",
                  [] {
                      return std::vector<TableSpec>{
                          {"Words", {{"Word", true}}, {{std::string("\xC5\x81\xC3\xB3" "d" "\xC5\xBA")}, {std::string("na")}}}};
                  }},
        RoundTrip{"wideRowsWithJumpTables", JetVersion::Jet3, "",
                  [] {
                      std::vector<TextColumn> cols;
                      for (int i = 0; i < 9; ++i)
                          cols.push_back({"C" + std::to_string(i), true});
                      std::vector<Row> rows;
                      for (std::size_t n = 0; n < 60; ++n) {
                          Row r;
                          for (std::size_t k = 0; k < 9; ++k)
                              r.push_back((n + k) % 7 == 0 ? std::nullopt
                                                           : std::optional<std::string>(std::string(
                                                                 (n * 7 + k * 13) % 51, static_cast<char>('a' + k))));
                          rows.push_back(std::move(r));
                      }
                      return std::vector<TableSpec>{{"Wide", cols, rows}};
                  }},
        RoundTrip{"dictionaryJet3", JetVersion::Jet3, "kfz lomb 7316", [] { return dictionary(40); }},
        RoundTrip{"dictionaryJet4", JetVersion::Jet4, "kfz lomb 7316", [] { return dictionary(40); }},
        RoundTrip{"hundredThousandRowsJet3", JetVersion::Jet3, "",
                  [] {
                      return std::vector<TableSpec>{
                          {"Password Database", passwordColumns(), passwordRows(100000, 20)}};
                  },
                  true},
        RoundTrip{"hundredThousandRowsJet4", JetVersion::Jet4, "",
                  [] {
                      return std::vector<TableSpec>{
                          {"Password Database", passwordColumns(), passwordRows(100000, 20)}};
                  },
                  true}),
    [](const ::testing::TestParamInfo<RoundTrip>& i) { return i.param.name; });

} // namespace
} // namespace quorlix::jet
