#include "output/Compact.h"

#include <gtest/gtest.h>

#include <map>

#include "OutputTestKit.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"
#include "platform/jet/JetWriter.h"
#include "support/JetIndexRoots.h"
#include "support/RecordingMessageBoxes.h"
#include "support/Samples.h"

using namespace quorlix;
using namespace quorlix::testing;

namespace
{

const fs::path kSamples = samplesFolder();

class CompactTest : public OutputTest
{
protected:
    void write(const std::string& file, jet::JetVersion version, std::string_view password, const Tables& tables,
               const std::vector<jet::TextColumn>& columns)
    {
        Status status;
        auto w = jet::DatabaseWriter::create(path(file), version, password, &status);
        ASSERT_TRUE(w) << status.message();
        for (const auto& [name, rows] : tables) {
            ASSERT_TRUE(w->createTable(name, columns).isOk());
            for (const Row& row : rows) {
                std::vector<std::optional<std::string_view>> v(row.begin(), row.end());
                ASSERT_TRUE(w->appendRow(v).isOk());
            }
        }
        ASSERT_TRUE(w->close().isOk());
        keepDatabaseCopy(path(file));
    }
};

// Every index of every table, system tables included: its keys in index order.
std::map<std::string, std::vector<std::string>> indexKeys(const std::string& file)
{
    std::map<std::string, std::vector<std::string>> out;
    jet::FileHeader header;
    if (!jet::readFileHeader(file, &header).isOk())
        return out;
    const jet::Format& f = jet::formatOf(header.versionByte == 0 ? jet::JetVersion::Jet3 : jet::JetVersion::Jet4);
    Status status;
    auto db = jet::DatabaseReader::open(file, "", &status);
    jet::FilePageSource pages(file, f.pageSize);
    for (const jet::CatalogObject& o : jet::catalogObjects(*db)) {
        if (o.type != 1)
            continue;
        const std::vector<std::uint32_t> roots = indexRoots(f, pages, static_cast<std::uint32_t>(o.id));
        for (std::uint32_t r = 0; r < roots.size(); ++r) {
            std::vector<jet::IndexEntry> entries;
            EXPECT_TRUE(jet::readIndexEntries(f, pages, roots[r], static_cast<std::uint32_t>(o.id), &entries).isOk())
                << file << ": " << o.name;
            auto& keys = out[o.name + "#" + std::to_string(r)];
            // Keys of table identifiers change with the tables' new places: only their number must stay.
            const bool renumbered = (o.name == "MSysObjects" && r == 1) || o.name == "MSysACEs";
            for (const jet::IndexEntry& e : entries)
                keys.push_back(renumbered ? std::string() : e.key);
        }
    }
    return out;
}

// The definition page of a table: the catalog's identifier for it.
std::uint32_t definitionPage(const std::string& file, std::string_view table)
{
    Status status;
    auto db = jet::DatabaseReader::open(file, "", &status);
    for (const jet::CatalogObject& o : db ? jet::catalogObjects(*db) : std::vector<jet::CatalogObject>{})
        if (o.name == table)
            return static_cast<std::uint32_t>(o.id);
    return 0;
}

// ---- Pages changed as Access leaves them, or as damage does --------------------

std::size_t pageSizeOf(const std::string& bytes)
{
    return bytes.size() > 0x14 && bytes[0x14] != 0 ? 4096 : 2048;
}

// The record count a table's definition stores.
std::size_t countAt(const std::string& bytes)
{
    return pageSizeOf(bytes) == 4096 ? 16 : 12;
}
std::uint32_t storedCount(const std::string& bytes, std::uint32_t tdefPage)
{
    return jet::getU32(bytes.data() + tdefPage * pageSizeOf(bytes) + countAt(bytes));
}
void setStoredCount(std::string* bytes, std::uint32_t tdefPage, std::uint32_t count)
{
    jet::setU32(bytes->data() + tdefPage * pageSizeOf(*bytes) + countAt(*bytes), count);
}

// Marks a page in use in the free-page map (page 1, an inline map in these files).
void markInUse(std::string* bytes, std::uint32_t page)
{
    const std::size_t size = pageSizeOf(*bytes);
    const char* p = bytes->data() + size;
    const std::size_t start = jet::getU16(p + (size == 4096 ? 14 : 10)) & 0x1FFF;
    ASSERT_EQ(p[start], 0) << "an inline map";
    const std::uint32_t first = jet::getU32(p + start + 1);
    ASSERT_LT(page - first, (size - start - 5) * 8);
    char& bits = (*bytes)[size + start + 5 + (page - first) / 8];
    bits = static_cast<char>(bits & ~(1 << ((page - first) % 8)));
}

// Appends a copy of page `from` owned by `owner`: what a deleted table leaves
// behind when its definition page goes to a new table. Past the old end the
// free-page map counts it free; inUse says otherwise. Returns its number.
std::uint32_t appendStalePage(std::string* bytes, std::uint32_t from, std::uint32_t owner, bool inUse)
{
    const std::size_t size = pageSizeOf(*bytes);
    const auto page = static_cast<std::uint32_t>(bytes->size() / size);
    bytes->append(bytes->substr(from * size, size));
    jet::setU32(bytes->data() + page * size + 4, owner);
    if (inUse)
        markInUse(bytes, page);
    return page;
}

class CompactSamples : public CompactTest, public ::testing::WithParamInterface<const char*>
{
};

// Both readers compare every table, schema and query of these copies in
// compact_samples.py; here the records and every index's keys.
TEST_P(CompactSamples, CopiesEveryTableRecordAndIndex)
{
    QUORLIX_NEED_SAMPLES();
    const std::string source = (kSamples / GetParam()).string();
    const Status status = compactDatabase(source, path("out.mdb"));
    ASSERT_TRUE(status.isOk()) << status.message();
    Tables before, after;
    ASSERT_TRUE(readDatabase(source, "", &before).isOk());
    ASSERT_TRUE(readDatabase(path("out.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    const auto keys = indexKeys(source);
    EXPECT_FALSE(keys.empty());
    EXPECT_EQ(indexKeys(path("out.mdb")), keys);
    EXPECT_EQ(read("out.mdb").substr(0, 2048), readBytes(source).substr(0, 2048)) << "the first page is kept";
    EXPECT_LE(read("out.mdb").size(), readBytes(source).size());

    fs::copy_file(source, path("repair.mdb"));
    std::vector<std::string> dropped;
    ASSERT_TRUE(repairDatabase(path("repair.mdb"), &dropped).isOk());
    EXPECT_TRUE(dropped.empty());
    ASSERT_TRUE(readDatabase(path("repair.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    EXPECT_EQ(indexKeys(path("repair.mdb")), keys);
    EXPECT_EQ(files(), (std::vector<std::string>{"out.mdb", "repair.mdb"}));
}

INSTANTIATE_TEST_SUITE_P(Jet, CompactSamples,
                         ::testing::Values("adox_jet4.mdb", "emptyV2000.mdb", "delTestV1997.mdb",
                                           "overflowTestV1997.mdb", "queryTestV1997.mdb", "compIndexTestV1997.mdb",
                                           "delColTestV1997.mdb", "indexTestV1997.mdb", "test2V1997.mdb",
                                           "testIndexCodesV1997.mdb", "testV1997.mdb"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                             std::string n = p.param;
                             return n.substr(0, n.find('.'));
                         });

class CompactVersions : public CompactTest, public ::testing::WithParamInterface<jet::JetVersion>
{
};

TEST_P(CompactVersions, KeepsFormatPasswordNullsZeroLengthRuleAndEveryByte)
{
    const std::string pw = "kfz lomb 7316";
    std::vector<Row> many;
    for (int i = 0; i < 1500; ++i)
        many.push_back({std::nullopt, i % 3 ? std::optional<std::string>("") : std::nullopt, "pw" + std::to_string(i)});
    write("src.dct", GetParam(), pw,
          {{"A", many}, {"Z", {{"z", "", "\xC3\xA9"}, {"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "", "x"}}}},
          {{"Last_Name", true}, {"First_Name", true}, {"Password", false}});
    ASSERT_TRUE(compactDatabase(path("src.dct"), path("dst.dct")).isOk());

    jet::FileHeader header;
    ASSERT_TRUE(jet::readFileHeader(path("dst.dct"), &header).isOk());
    EXPECT_EQ(header.password, pw);
    EXPECT_EQ(header.versionByte, GetParam() == jet::JetVersion::Jet3 ? 0 : 1);
    Tables before, after;
    ASSERT_TRUE(readDatabase(path("src.dct"), pw, &before).isOk());
    ASSERT_TRUE(readDatabase(path("dst.dct"), pw, &after).isOk());
    EXPECT_EQ(after, before);

    Status status;
    auto db = jet::DatabaseReader::open(path("dst.dct"), pw, &status);
    ASSERT_TRUE(db);
    std::vector<jet::ColumnInfo> columns;
    ASSERT_TRUE(jet::describeTable(*db, "A", &columns).isOk());
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(std::vector<bool>({columns[0].allowZeroLength, columns[1].allowZeroLength, columns[2].allowZeroLength}),
              std::vector<bool>({true, true, false}));
}

INSTANTIATE_TEST_SUITE_P(Versions, CompactVersions, ::testing::Values(jet::JetVersion::Jet3, jet::JetVersion::Jet4),
                         [](const ::testing::TestParamInfo<jet::JetVersion>& p) {
                             return p.param == jet::JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

TEST_F(CompactTest, RepairSalvagesReadableRowsCompactionRefuses)
{
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({"word" + std::to_string(i)});
    write("damaged.mdb", jet::JetVersion::Jet3, "", {{"A", rows}, {"B", {{"b"}}}}, {{"Word", false}});
    // Blank out one data page of a user table (its type byte becomes 0).
    std::string bytes = read("damaged.mdb");
    std::size_t blanked = 0;
    for (std::size_t page = 1; page * 2048 < bytes.size() && !blanked; ++page) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + page * 2048);
        const std::uint32_t owner = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24);
        if (p[0] == 0x01 && owner > 5 && owner < 0x10000) {
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(page * 2048), 2048, '\0');
            blanked = page;
        }
    }
    ASSERT_NE(blanked, 0u);
    writeBytes(path("damaged.mdb"), bytes);

    EXPECT_EQ(compactDatabase(path("damaged.mdb"), path("copy.mdb")).code(), Status::Code::Corruption);
    EXPECT_FALSE(fs::exists(path("copy.mdb")));
    EXPECT_EQ(read("damaged.mdb"), bytes);

    std::vector<std::string> dropped;
    ASSERT_TRUE(repairDatabase(path("damaged.mdb"), &dropped).isOk());
    Tables after;
    ASSERT_TRUE(readDatabase(path("damaged.mdb"), "", &after).isOk());
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].second, (std::vector<Row>{{"b"}}));
    const auto& kept = after[0].second;
    EXPECT_GT(kept.size(), 2000u);
    EXPECT_LT(kept.size(), 3000u);
    // Without an index nothing tells how many records the page held; the stored count hints.
    EXPECT_EQ(dropped, (std::vector<std::string>{
                           "Table 'A': its page " + std::to_string(blanked) +
                               " could not be read; the records on it were left out.",
                           "Table 'A': its stored record count was 3000; the pages that could be read hold " +
                               std::to_string(kept.size()) + "."}));
    std::size_t next = 0; // what survives keeps its order
    for (const Row& r : kept) {
        const auto n = static_cast<std::size_t>(std::stoi(r[0]->substr(4)));
        EXPECT_GE(n, next);
        next = n + 1;
    }
}

// Pages a deleted table left behind, now owned by the table that got its
// definition page, are free space: the table's records are those on the
// pages its page map lists, as Access and both readers have them.
TEST_F(CompactTest, SamplePagesItsMapDoesNotListAreFreeSpace)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "testV1997.mdb";
    const std::string original = readBytes(sample);
    const std::uint32_t table1 = definitionPage(sample.string(), "Table1"),
                        table2 = definitionPage(sample.string(), "Table2");
    ASSERT_EQ(table2, 34u);
    ASSERT_TRUE(compactDatabase(sample.string(), path("plain.mdb")).isOk());
    const std::string plainCopy = read("plain.mdb");
    fs::remove(path("plain.mdb"));
    // Page 31 holds Table1's two records; Table2 has 89 Text columns they do not fit.
    struct Case {
        const char* name;
        std::uint32_t owner;
        bool inUse;
    };
    for (const Case& c : {Case{"a Table1 page owned by Table2", table2, false},
                          Case{"the same, in use by the free-page map", table2, true},
                          Case{"a copy of Table1's own page, unlisted", table1, false}}) {
        std::string bytes = original;
        appendStalePage(&bytes, 31, c.owner, c.inUse);
        writeBytes(path("stale.mdb"), bytes);
        Tables before, after;
        ASSERT_TRUE(readDatabase(path("stale.mdb"), "", &before).isOk()) << c.name;
        std::vector<std::string> report{"untouched"};
        const Status compacted = compactDatabase(path("stale.mdb"), path("copy.mdb"), false, &report);
        ASSERT_TRUE(compacted.isOk()) << c.name << ": " << compacted.message();
        EXPECT_EQ(report, std::vector<std::string>{}) << c.name;
        ASSERT_TRUE(readDatabase(path("copy.mdb"), "", &after).isOk());
        EXPECT_EQ(after, before) << c.name;
        EXPECT_EQ(read("copy.mdb"), plainCopy) << c.name << ": the stale page is left behind";

        ASSERT_TRUE(repairDatabase(path("stale.mdb"), &report).isOk()) << c.name;
        EXPECT_EQ(report, std::vector<std::string>{}) << c.name;
        EXPECT_EQ(read("stale.mdb"), read("copy.mdb")) << c.name;
        fs::remove(path("copy.mdb"));
    }
}

// Completeness is judged by what the listed pages hold, not by the count a
// table's definition stores: a lower count does not hide a lost page, a
// higher one is no loss, and the copy stores the true count.
TEST_F(CompactTest, SampleRecordsAreCountedOnTheirPagesNotByTheStoredCount)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "testIndexCodesV1997.mdb";
    const std::string original = readBytes(sample);
    const std::uint32_t table = definitionPage(sample.string(), "Table1");
    ASSERT_EQ(storedCount(original, table), 275u);
    Tables source;
    ASSERT_TRUE(readDatabase(sample.string(), "", &source).isOk());
    const auto rowsOf = [](const Tables& tables, std::string_view name) {
        for (const auto& [n, rows] : tables)
            if (n == name)
                return rows;
        return std::vector<Row>{};
    };
    const std::vector<Row> all = rowsOf(source, "Table1");
    // Page 49 holds Table1's last 57 records.
    const std::vector<Row> firstPages(all.begin(), all.end() - 57);
    const std::string lost = "Table 'Table1': 57 of its 275 records could not be read and were left out.";
    const auto note = [](int count) {
        return "Table 'Table1': its stored record count was " + std::to_string(count) + "; its pages hold 275.";
    };
    struct Case {
        const char* name;
        int countChange;
        bool zeroPage49;
        std::vector<std::string> compactReport; // empty with compactError
        std::string compactError;
        std::vector<std::string> repairReport;
        std::vector<Row> kept;
    };
    const std::vector<Case> cases{
        {"count 60 lower, page 49 zeroed",
         -60,
         true,
         {},
         "Table 'Table1' cannot be read completely: its page 49 is unreadable.",
         {lost, note(215)},
         firstPages},
        {"count 5 higher", 5, false, {note(280)}, "", {note(280)}, all},
        {"count 60 lower", -60, false, {note(215)}, "", {note(215)}, all},
    };
    for (const Case& c : cases) {
        std::string bytes = original;
        setStoredCount(&bytes, table, static_cast<std::uint32_t>(275 + c.countChange));
        if (c.zeroPage49)
            std::fill_n(bytes.begin() + 49 * 2048, 2048, '\0');
        writeBytes(path("stale.mdb"), bytes);
        // The reader judges by the pages too.
        Tables asRead;
        const Status readStatus = readDatabase(path("stale.mdb"), "", &asRead);
        EXPECT_EQ(readStatus.code(), c.zeroPage49 ? Status::Code::Corruption : Status::Code::Ok) << c.name;

        std::vector<std::string> report;
        const Status compacted = compactDatabase(path("stale.mdb"), path("copy.mdb"), false, &report);
        if (!c.compactError.empty()) {
            EXPECT_EQ(compacted.code(), Status::Code::Corruption) << c.name;
            EXPECT_EQ(compacted.message(), c.compactError) << c.name;
            EXPECT_FALSE(fs::exists(path("copy.mdb"))) << c.name;
        } else {
            ASSERT_TRUE(compacted.isOk()) << c.name << ": " << compacted.message();
            EXPECT_EQ(report, c.compactReport) << c.name;
            Tables copy;
            ASSERT_TRUE(readDatabase(path("copy.mdb"), "", &copy).isOk());
            EXPECT_EQ(copy, source) << c.name;
            EXPECT_EQ(storedCount(read("copy.mdb"), definitionPage(path("copy.mdb"), "Table1")), 275u) << c.name;
            fs::remove(path("copy.mdb"));
        }

        ASSERT_TRUE(repairDatabase(path("stale.mdb"), &report).isOk()) << c.name;
        EXPECT_EQ(report, c.repairReport) << c.name;
        Tables repaired;
        ASSERT_TRUE(readDatabase(path("stale.mdb"), "", &repaired).isOk());
        EXPECT_EQ(rowsOf(repaired, "Table1"), c.kept) << c.name;
        EXPECT_EQ(storedCount(read("stale.mdb"), definitionPage(path("stale.mdb"), "Table1")), c.kept.size()) << c.name;
    }
}

// A table whose page map is lost: compaction fails naming it; repair takes
// the pages the table owns whose records fit its columns, leaving out pages
// a deleted table left (free, or holding records of other columns), and
// says how it found them.
TEST_F(CompactTest, RepairFindsASampleTablesPagesWhenItsMapIsLost)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "testIndexCodesV1997.mdb";
    std::string bytes = readBytes(sample);
    const std::uint32_t table = definitionPage(sample.string(), "Table1");
    const std::uint32_t map = jet::getU32(bytes.data() + table * 2048 + 35) >> 8;
    ASSERT_EQ(map, 46u);
    std::fill_n(bytes.begin() + map * 2048, 2048, '\0');
    // Table1_desc has Table1's columns (page 58, free); Table11's records have other ones (page 79, in use).
    appendStalePage(&bytes, 58, table, false);
    appendStalePage(&bytes, 79, table, true);
    writeBytes(path("lost.mdb"), bytes);

    const Status compacted = compactDatabase(path("lost.mdb"), path("copy.mdb"));
    EXPECT_EQ(compacted.code(), Status::Code::Corruption);
    EXPECT_EQ(compacted.message(), "Table 'Table1' cannot be read completely: its page map is unreadable.");
    EXPECT_FALSE(fs::exists(path("copy.mdb")));
    EXPECT_EQ(read("lost.mdb"), bytes);

    std::vector<std::string> report;
    const Status repaired = repairDatabase(path("lost.mdb"), &report);
    ASSERT_TRUE(repaired.isOk()) << repaired.message();
    EXPECT_EQ(report, std::vector<std::string>{"Table 'Table1': its page map could not be read; its records were "
                                               "found on the pages it owns."});
    Tables before, after;
    ASSERT_TRUE(readDatabase(sample.string(), "", &before).isOk());
    ASSERT_TRUE(readDatabase(path("lost.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    EXPECT_EQ(indexKeys(path("lost.mdb")), indexKeys(sample.string()));
}

// Records per page of a Jet file where readers read them (data pages of tables only).
std::vector<std::uint64_t> recordsPerPage(const std::string& bytes)
{
    const bool jet4 = bytes.size() > 0x14 && bytes[0x14] != 0;
    const std::size_t size = jet4 ? 4096 : 2048, countAt = jet4 ? 12 : 8;
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                     (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    std::vector<std::uint64_t> live(bytes.size() / size);
    for (std::size_t page = 1; page < live.size(); ++page) {
        const std::size_t at = page * size;
        if (bytes[at] != 0x01 || bytes.compare(at + 4, 4, "LVAL") == 0 || u16(at + 4) < 2)
            continue;
        for (unsigned i = 0; i < u16(at + countAt) && countAt + 2 + 2 * i < size; ++i)
            live[page] += (u16(at + countAt + 2 + 2 * i) & 0x4000) == 0;
    }
    return live;
}

struct Damage {
    std::string name;
    std::string bytes;
    std::vector<std::size_t> pages; // pages the damage touched
};

// A fixed selection of damaged copies: files cut short, pages zeroed, bytes flipped.
std::vector<Damage> damagedCopies(const std::string& bytes)
{
    const std::size_t size = bytes.size() > 0x14 && bytes[0x14] != 0 ? 4096 : 2048;
    const std::size_t pages = bytes.size() / size;
    std::vector<Damage> out;
    for (std::size_t cut : {std::size_t{1}, std::size_t{2}, pages / 2}) {
        if (cut == 0 || pages - cut < 2)
            continue;
        Damage d{"cut " + std::to_string(cut) + " pages", bytes.substr(0, (pages - cut) * size), {}};
        for (std::size_t p = pages - cut; p < pages; ++p)
            d.pages.push_back(p);
        out.push_back(std::move(d));
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t page = 1 + (i * 7919 + 1) % (pages - 1);
        Damage d{"page " + std::to_string(page) + " zeroed", bytes, {page}};
        std::fill_n(d.bytes.begin() + static_cast<std::ptrdiff_t>(page * size), size, '\0');
        out.push_back(std::move(d));
    }
    for (std::uint64_t i = 0; i < 12; ++i) {
        const std::size_t at = size + static_cast<std::size_t>((i * 2654435761u + 97) % (bytes.size() - size));
        const auto mask = static_cast<char>(i % 2 ? 0xFF : 1 << (i % 8));
        Damage d{"byte " + std::to_string(at) + " flipped", bytes, {at / size}};
        d.bytes[at] = static_cast<char>(d.bytes[at] ^ mask);
        out.push_back(std::move(d));
    }
    return out;
}

// Every table as the reader reads it; unlike readDatabase, no copy is kept
// for the outside readers, as these files are damaged on purpose.
Status readTables(const std::string& file, const std::string& password, Tables* out)
{
    Status status;
    auto db = jet::DatabaseReader::open(file, password, &status);
    if (!db)
        return status;
    out->clear();
    for (const auto& name : db->tables()) {
        auto t = db->openTable(name, &status);
        if (!t)
            return status;
        std::vector<Row> rows;
        while (t->next()) {
            Row row;
            for (std::size_t i = 0; i < t->columnNames().size(); ++i)
                row.push_back(t->field(i));
            rows.push_back(std::move(row));
        }
        if (!t->status().isOk())
            return t->status();
        out->push_back({name, std::move(rows)});
    }
    return Status::ok();
}

// A source as Access leaves files in use: the table with the most records
// with its stored count lowered, or raised, or with pages a deleted table
// left behind (a page of another table and a copy of one of its own, both
// unlisted and free). None of it is damage: each compacts with the notes
// given, and damage to it is judged like damage to the source.
struct Variant {
    std::string name;
    std::string bytes;
    std::vector<std::string> notes;
    bool everyDamage = true; // else cuts and zeroed pages, not flipped bytes
};
std::vector<Variant> staleVariants(const std::string& file, const std::string& password)
{
    const std::string bytes = readBytes(file);
    std::vector<Variant> out{{"as it is", bytes, {}}};
    Status status;
    auto db = jet::DatabaseReader::open(file, password, &status);
    std::uint32_t table = 0, count = 0;
    std::string name;
    for (const jet::CatalogObject& o : db ? jet::catalogObjects(*db) : std::vector<jet::CatalogObject>{}) {
        if (o.type == 1 && storedCount(bytes, static_cast<std::uint32_t>(o.id)) > count) {
            table = static_cast<std::uint32_t>(o.id);
            count = storedCount(bytes, table);
            name = o.name;
        }
    }
    if (table == 0)
        return out;
    const auto note = [&](std::uint32_t stored) {
        return "Table '" + name + "': its stored record count was " + std::to_string(stored) + "; its pages hold " +
               std::to_string(count) + ".";
    };
    for (const std::uint32_t stored : {count > 60 ? count - 60 : 0, count + 5}) {
        Variant v{"count " + std::to_string(stored) + " for " + std::to_string(count), bytes, {note(stored)}, false};
        setStoredCount(&v.bytes, table, stored);
        out.push_back(std::move(v));
    }
    const std::size_t size = pageSizeOf(bytes);
    std::uint32_t own = 0, other = 0;
    for (std::uint32_t p = 1; p < bytes.size() / size; ++p) {
        const std::uint32_t owner = jet::getU32(bytes.data() + p * size + 4);
        if (bytes[p * size] != 0x01 || owner < 2 || owner >= bytes.size() / size)
            continue;
        std::uint32_t& first = owner == table ? own : other;
        if (first == 0)
            first = p;
    }
    Variant v{"stale pages", bytes, {}, false};
    for (const std::uint32_t p : {own, other})
        if (p != 0)
            appendStalePage(&v.bytes, p, table, false);
    out.push_back(std::move(v));
    return out;
}

// Compacts and repairs damaged copies of real and own databases, as they
// are and with stale counts and stale pages. Neither may crash, hang or
// report success for a result that lost a table, or lost a record that lay
// on the source's pages as a reader reads them (a repair: one that did not
// lie on a damaged page); a repair names what it left out, and failures
// leave the file alone.
TEST_F(CompactTest, DamagedSampleAndOwnCopiesNeverLoseWhatTheyHold_slow)
{
    // Own files always; the samples when they are there (in CI they must be).
    if (const SamplesAbsence absence = samplesAbsence(); absence.fails)
        FAIL() << absence.why;
    std::vector<std::string> sources;
    if (!kSamples.empty())
        for (const auto& e : fs::directory_iterator(kSamples))
            if (e.path().extension() == ".mdb")
                sources.push_back(e.path().string());
    std::sort(sources.begin(), sources.end());
    std::vector<Row> words;
    for (int i = 0; i < 1200; ++i)
        words.push_back({"word" + std::to_string(i), i % 5 ? std::optional<std::string>("x") : std::nullopt});
    write("own3.mdb", jet::JetVersion::Jet3, "", {{"A", words}, {"B", {{"b", ""}}}, {"C", words}},
          {{"Word", false}, {"Note", true}});
    write("own4.mdb", jet::JetVersion::Jet4, "kfz lomb 7316", {{"A", words}, {"B", {{"b", ""}}}},
          {{"Word", false}, {"Note", true}});
    sources.push_back(path("own3.mdb"));
    sources.push_back(path("own4.mdb"));
    {
        // Every kind of page: long values on their own pages and indexes over many leaves.
        Status status;
        auto w = jet::createDatabaseWriter(path("typed.mdb"), jet::JetVersion::Jet4, "", {}, &status);
        ASSERT_TRUE(w);
        ASSERT_TRUE(jet::createTypedTable(*w, "T",
                                          {{"Id", jet::kLong, 0, true, true},
                                           {"Word", jet::kText, 20},
                                           {"Note", jet::kMemo},
                                           {"Blob", jet::kOle}},
                                          {{"PrimaryKey", {{"Id", false}}, true}, {"ByWord", {{"Word", true}}}})
                        .isOk());
        for (int i = 0; i < 1200; ++i)
            ASSERT_TRUE(w->appendRow({std::nullopt, "word" + std::to_string(i), std::string(i % 7 * 150, 'n'),
                                      std::string(i % 3 * 90, static_cast<char>(i))})
                            .isOk());
        ASSERT_TRUE(w->close().isOk());
        sources.push_back(path("typed.mdb"));
    }

    std::size_t copies = 0, compacted = 0, repaired = 0, variants = 0;
    std::size_t countedLoss = 0, pagesLost = 0, foundByOwner = 0, emptied = 0, silent = 0;
    for (const std::string& source : sources) {
        jet::FileHeader header;
        ASSERT_TRUE(jet::readFileHeader(source, &header).isOk());
        for (const Variant& v : staleVariants(source, header.password)) {
            ++variants;
            const std::string from = fs::path(source).filename().string() + " (" + v.name + ")";
            writeBytes(path("v.mdb"), v.bytes);
            Tables before;
            ASSERT_TRUE(readTables(path("v.mdb"), header.password, &before).isOk()) << from;
            std::vector<std::string> report;
            const Status whole = compactDatabase(path("v.mdb"), path("whole.mdb"), false, &report);
            const bool copyable = whole.isOk();
            if (copyable) {
                EXPECT_EQ(report, v.notes) << from;
                Tables copy;
                ASSERT_TRUE(readTables(path("whole.mdb"), header.password, &copy).isOk()) << from;
                EXPECT_EQ(copy, before) << from;
                fs::remove(path("whole.mdb"));
            } else {
                // Only what no copy can hold is refused by name.
                EXPECT_EQ(whole.code(), Status::Code::Unsupported) << from << ": " << whole.message();
            }
            const auto live = recordsPerPage(v.bytes);
            for (const Damage& d : damagedCopies(v.bytes)) {
                if (!v.everyDamage && d.name.find("flipped") != std::string::npos)
                    continue;
                ++copies;
                const std::string what = from + ", " + d.name;
                const bool flipped = d.name.find("flipped") != std::string::npos;
                std::uint64_t mayLose = 0;
                for (std::size_t p : d.pages)
                    mayLose += p < live.size() ? live[p] : 0;
                writeBytes(path("d.mdb"), d.bytes);
                const Status compaction = compactDatabase(path("d.mdb"), path("c.mdb"));
                std::vector<std::string> dropped;
                const Status repair = repairDatabase(path("d.mdb"), &dropped);
                compacted += compaction.isOk();
                repaired += repair.isOk();
                for (const auto& [status, file] : {std::pair{compaction, "c.mdb"}, std::pair{repair, "d.mdb"}}) {
                    if (!status.isOk()) {
                        EXPECT_FALSE(status.message().empty()) << what;
                        continue;
                    }
                    EXPECT_TRUE(copyable) << what << ": a copy of something a copy cannot hold";
                    Tables after;
                    ASSERT_TRUE(readDatabase(path(file), header.password, &after).isOk()) << what;
                    ASSERT_EQ(after.size(), before.size()) << what << " (" << file << ")";
                    const bool isRepair = std::string(file) == "d.mdb";
                    bool lost = false;
                    for (std::size_t t = 0; t < before.size(); ++t) {
                        const std::string& table = before[t].first;
                        const std::size_t had = before[t].second.size(), has = after[t].second.size();
                        if (!isRepair) {
                            EXPECT_EQ(has, had) << what << ": " << table;
                            continue;
                        }
                        EXPECT_GE(has + mayLose, had) << what << ": " << table;
                        // A flipped byte may change a value in place, or bring back a deleted record.
                        if (flipped)
                            continue;
                        EXPECT_LE(has, had) << what << ": " << table << " gained records";
                        const std::string prefix = "Table '" + table + "': ";
                        const auto line = std::find_if(dropped.begin(), dropped.end(), [&](const std::string& l) {
                            return l.rfind(prefix, 0) == 0 && l.find("could not be read") != std::string::npos;
                        });
                        if (after[t].second != before[t].second) {
                            EXPECT_NE(line, dropped.end()) << what << ": " << table << " lost records without a word";
                            lost = true;
                        }
                        // A count it gives is exact.
                        if (line != dropped.end() && line->find(" records could not be read") != std::string::npos) {
                            EXPECT_EQ(*line, prefix + std::to_string(had - has) + " of its " + std::to_string(had) +
                                                 " records could not be read and were left out.")
                                << what;
                        }
                    }
                    if (isRepair) {
                        const auto says = [&](std::string_view text) {
                            return std::any_of(dropped.begin(), dropped.end(),
                                               [&](const std::string& l) { return l.find(text) != std::string::npos; });
                        };
                        countedLoss += says(" records could not be read");
                        pagesLost += says(" could not be read; the records on");
                        foundByOwner += says("page map could not be read");
                        emptied += says("left empty");
                        silent += lost && dropped.empty();
                    }
                }
                if (!repair.isOk()) {
                    EXPECT_EQ(read("d.mdb"), d.bytes) << what;
                }
                fs::remove(path("c.mdb"));
                EXPECT_EQ(files(), (std::vector<std::string>{"d.mdb", "own3.mdb", "own4.mdb", "typed.mdb", "v.mdb"}))
                    << what;
            }
        }
    }
    EXPECT_GE(variants, 4 * sources.size());
    EXPECT_GE(copies, !kSamples.empty() ? 600u : 150u); // without the samples, our own files only
    EXPECT_EQ(silent, 0u);
    std::printf("%zu damaged copies of %zu sources: %zu compacted, %zu repaired; repairs naming a count of records "
                "left out %zu, lost pages %zu, a table found by owner %zu, values left empty %zu\n",
                copies, variants, compacted, repaired, countedLoss, pagesLost, foundByOwner, emptied);
}

TEST_F(CompactTest, KeepsTheFirstPageAndRefusesEncryptedFiles)
{
    write("plain.mdb", jet::JetVersion::Jet3, "", {{"T", {{"a"}}}}, {{"F", true}});
    const std::string plain = read("plain.mdb");
    // Header fields sit under a fixed XOR mask: flipping stored bits flips the plain value by the same bits.
    struct Case {
        const char* name;
        std::size_t offset;
        unsigned char flip;
        bool copied;
    };
    for (const Case& c : {Case{"code page", 0x3C, 0x06, true}, Case{"sort order", 0x3A, 0x0C, true},
                          Case{"encrypted", 0x3E, 0x01, false}}) {
        std::string bytes = plain;
        bytes[c.offset] = static_cast<char>(bytes[c.offset] ^ c.flip);
        writeBytes(path("odd.mdb"), bytes);
        const Status status = compactDatabase(path("odd.mdb"), path("copy.mdb"));
        if (c.copied) {
            ASSERT_TRUE(status.isOk()) << c.name << ": " << status.message();
            EXPECT_EQ(read("copy.mdb").substr(0, 2048), bytes.substr(0, 2048)) << c.name;
            fs::remove(path("copy.mdb"));
            continue;
        }
        EXPECT_EQ(status.code(), Status::Code::Unsupported) << c.name;
        EXPECT_EQ(repairDatabase(path("odd.mdb")).code(), Status::Code::Unsupported) << c.name;
        EXPECT_EQ(read("odd.mdb"), bytes) << c.name;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"odd.mdb", "plain.mdb"}));
}

// An index over text this program cannot sort is rebuilt from the database's
// own entries; when those are gone too, the copy is refused by name and no
// file changes.
TEST_F(CompactTest, RefusesASampleIndexItCanNeitherSortNorRead)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "testIndexCodesV1997.mdb";
    std::string bytes = readBytes(sample);
    const std::uint32_t table = definitionPage(sample.string(), "Table1");
    ASSERT_NE(table, 0u);
    for (std::size_t at = 2048; at + 2048 <= bytes.size(); at += 2048) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const std::uint32_t owner = p[4] | p[5] << 8 | p[6] << 16 | static_cast<std::uint32_t>(p[7]) << 24;
        if ((p[0] == 0x03 || p[0] == 0x04) && owner == table)
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 2048, '\0');
    }
    writeBytes(path("codes.mdb"), bytes);
    for (const bool repair : {false, true}) {
        const Status status =
            repair ? repairDatabase(path("codes.mdb")) : compactDatabase(path("codes.mdb"), path("copy.mdb"));
        EXPECT_EQ(status.code(), Status::Code::Unsupported) << status.message();
        EXPECT_EQ(status.message().rfind("The index '", 0), 0u) << status.message();
        EXPECT_NE(status.message().find("' of table 'Table1' cannot be rebuilt"), std::string::npos)
            << status.message();
    }
    EXPECT_EQ(read("codes.mdb"), bytes);
    EXPECT_EQ(files(), std::vector<std::string>{"codes.mdb"});
}

// Access moves a record that outgrew its page and leaves a pointer in its
// old slot (flag 0x4000); the index still lists the old slot. Text outside
// ASCII gets its key from that entry, so the copy must follow the pointer back.
TEST_F(CompactTest, CopiesAMovedSampleRecordWithTheKeyItsIndexHolds)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "testIndexCodesV1997.mdb";
    std::string bytes = readBytes(sample);
    const std::uint32_t table = definitionPage(sample.string(), "Table1");
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                          static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        bytes[at] = static_cast<char>(v & 0xFF);
        bytes[at + 1] = static_cast<char>(v >> 8);
    };
    // On a page of Table1 with room: copy a record holding a byte above 0x7F
    // to a new slot (0x8000: lives here for another slot), and turn its old
    // slot into a pointer to it (0x4000).
    bool moved = false;
    for (std::size_t at = 2048; at + 2048 <= bytes.size() && !moved; at += 2048) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        if (p[0] != 0x01 || (p[4] | p[5] << 8 | p[6] << 16 | static_cast<std::uint32_t>(p[7]) << 24) != table)
            continue;
        const std::uint32_t rows = u16(at + 8), free = u16(at + 2);
        std::uint32_t lowest = 2048;
        for (std::uint32_t r = 0; r < rows; ++r)
            lowest = std::min(lowest, u16(at + 10 + 2 * r) & 0x1FFF);
        for (std::uint32_t r = 0; r < rows && !moved; ++r) {
            const std::uint32_t start = u16(at + 10 + 2 * r), end = r == 0 ? 2048 : u16(at + 10 + 2 * (r - 1)) & 0x1FFF;
            if (start & 0xC000)
                continue;
            const std::string record = bytes.substr(at + start, end - start);
            if (record.size() + 2 > free ||
                std::none_of(record.begin(), record.end(), [](char c) { return (c & 0x80) != 0; }))
                continue;
            const std::uint32_t newStart = lowest - static_cast<std::uint32_t>(record.size());
            std::copy(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at + newStart));
            put16(at + 10 + 2 * rows, newStart | 0x8000);
            put16(at + 8, rows + 1);
            put16(at + 2, free - static_cast<std::uint32_t>(record.size()) - 2);
            const std::uint32_t pointer = static_cast<std::uint32_t>(at / 2048) << 8 | rows;
            for (int b = 0; b < 4; ++b)
                bytes[at + start + static_cast<std::size_t>(b)] = static_cast<char>(pointer >> (8 * b));
            put16(at + 10 + 2 * r, start | 0x4000);
            moved = true;
        }
    }
    ASSERT_TRUE(moved);
    writeBytes(path("moved.mdb"), bytes);
    const Status status = compactDatabase(path("moved.mdb"), path("copy.mdb"));
    ASSERT_TRUE(status.isOk()) << status.message();
    Tables before, after;
    ASSERT_TRUE(readDatabase(path("moved.mdb"), "", &before).isOk());
    ASSERT_TRUE(readDatabase(path("copy.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    EXPECT_EQ(indexKeys(path("copy.mdb")), indexKeys(path("moved.mdb")));
}

class ScriptedDialogs : public DatabaseToolDialogs
{
public:
    std::optional<ChosenFile> chooseOpenFile(std::string_view title, std::string_view filter) override
    {
        calls.push_back("open:" + std::string(title) + "|" + std::string(filter));
        return openAnswer;
    }
    std::optional<ChosenFile> chooseSaveFile(std::string_view title, std::string_view filter,
                                             std::string_view proposed) override
    {
        calls.push_back("save:" + std::string(title) + "|" + std::string(filter) + "|" + std::string(proposed));
        return saveAnswer;
    }
    std::optional<ChosenFile> openAnswer, saveAnswer;
    std::vector<std::string> calls;
};

TEST(CompactNames, ProposedTargets)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{{"PASS.MDB", "passx.mdb"},
                                                                                {"a.mdb", "ax.mdb"},
                                                                                {".mdb", std::nullopt},
                                                                                {"passwords.mdb", "passwords.mdbx.mdb"},
                                                                                {"Lists", "lx.mdb"}};
    for (const auto& [title, proposed] : cases)
        EXPECT_EQ(proposedCompactTarget(title), proposed) << title;
}

TEST_F(CompactTest, CompactCommandPaths)
{
    write("PASS.MDB", jet::JetVersion::Jet3, "", passwordTable({"pw"}),
          {{"Last_Name", true}, {"First_Name", true}, {"Password", true}});
    const std::string source = path("PASS.MDB");
    const std::string original = read("PASS.MDB");
    writeBytes(path("old.mdb"), "older file");
    const std::string failed =
        "message:Database Error: Database file already in use, file name is the same or Cancel was selected.";
    const std::string openCall = "open:Select Database File to Compact|MS-Access Database File (*.mdb)|*.mdb";
    const std::string saveCall = "save:Enter New Database File Name|MS-Access Database File (*.mdb)|*.mdb|passx.mdb";
    struct Case {
        const char* name;
        std::optional<ChosenFile> open, save;
        CallLog expectedLog;
        std::vector<std::string> expectedDialogs;
    };
    const std::vector<Case> cases{
        {"cancel open", std::nullopt, std::nullopt, {failed, "enableOn"}, {openCall}},
        {"short title", ChosenFile{path(".mdb"), ".mdb"}, std::nullopt, {"message:Incorrect File Name"}, {openCall}},
        {"onto itself",
         ChosenFile{source, "PASS.MDB"},
         ChosenFile{path("./PASS.MDB"), "PASS.MDB"},
         {"setStatus:Compacting Database File: PASS.MDB", "enableOff", failed, "enableOn"},
         {openCall, saveCall}},
        {"bad source",
         ChosenFile{path("old.mdb"), "old.mdb"},
         ChosenFile{path("new.mdb"), "new.mdb"},
         {"setStatus:Compacting Database File: new.mdb", "enableOff", failed, "enableOn"},
         {openCall, "save:Enter New Database File Name|MS-Access Database File (*.mdb)|*.mdb|oldx.mdb"}},
        {"replaces target",
         ChosenFile{source, "PASS.MDB"},
         ChosenFile{path("old.mdb"), "old.mdb"},
         {"setStatus:Compacting Database File: old.mdb", "enableOff", "enableOn",
          "setStatus:Compacted Database File: old.mdb"},
         {openCall, saveCall}},
    };
    for (const Case& c : cases) {
        CallLog log;
        RecordingSurface window(&log);
        RecordingMessageBoxes boxes(&log);
        ScriptedDialogs dialogs;
        dialogs.openAnswer = c.open;
        dialogs.saveAnswer = c.save;
        CompactDB(dialogs, boxes, window);
        EXPECT_EQ(log, c.expectedLog) << c.name;
        EXPECT_EQ(dialogs.calls, c.expectedDialogs) << c.name;
        for (const auto& shown : boxes.shown)
            EXPECT_TRUE(shown.icon == Icon::None && shown.buttons == Buttons::Ok && shown.title == "Quorlix");
        EXPECT_EQ(read("PASS.MDB"), original) << c.name;
    }
    Tables copy;
    ASSERT_TRUE(readDatabase(path("old.mdb"), "", &copy).isOk());
    EXPECT_EQ(copy, passwordTable({"pw"}));
    EXPECT_EQ(files(), (std::vector<std::string>{"PASS.MDB", "old.mdb"}));
}

TEST_F(CompactTest, RepairCommandPaths)
{
    write("list.mdb", jet::JetVersion::Jet3, "", {{"T", {{"a"}, {""}, {std::nullopt}}}}, {{"F", true}});
    writeBytes(path("junk.mdb"), std::string(8192, 'j'));
    struct Case {
        std::optional<ChosenFile> file;
        CallLog expectedLog;
    };
    const std::vector<Case> cases{
        {std::nullopt, {"message:Repair unsuccessful!", "enableOn"}},
        {ChosenFile{path("junk.mdb"), "junk.mdb"},
         {"setStatus:Repairing Database File: junk.mdb", "enableOff", "message:Repair unsuccessful!", "enableOn"}},
        {ChosenFile{path("list.mdb"), "list.mdb"},
         {"setStatus:Repairing Database File: list.mdb", "enableOff", "setStatus:Repaired Database File: list.mdb",
          "enableOn"}},
    };
    for (const Case& c : cases) {
        CallLog log;
        RecordingSurface window(&log);
        RecordingMessageBoxes boxes(&log);
        ScriptedDialogs dialogs;
        dialogs.saveAnswer = c.file;
        RepairDB(dialogs, boxes, window);
        EXPECT_EQ(log, c.expectedLog);
        EXPECT_EQ(dialogs.calls, std::vector<std::string>{
                                     "save:Select Database File to Repair|MS-Access Database File (*.mdb)|*.mdb|"});
    }
    EXPECT_EQ(read("junk.mdb"), std::string(8192, 'j'));
    Tables after;
    ASSERT_TRUE(readDatabase(path("list.mdb"), "", &after).isOk());
    EXPECT_EQ(after, (Tables{{"T", {{"a"}, {""}, {std::nullopt}}}}));
    EXPECT_EQ(files(), (std::vector<std::string>{"junk.mdb", "list.mdb"}));
}

} // namespace
