// Tables of every field type and index kind, written by our writer, read
// back through libmdb (and, in CI, by mdb-check's second reader from the
// kept copies), then compacted: the copy must hold the same records and index
// entries in the same order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/jet/JetCopy.h"
#include "platform/jet/JetEncode.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"
#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriter.h"
#include "support/JetIndexRoots.h"
#include "support/MdbOut.h"
#include "support/TempFolder.h"

using namespace quorlix;
using namespace quorlix::jet;
using quorlix::testing::TempFolderTest;

namespace
{

template <typename T> std::string bytesOf(T v)
{
    std::string s(sizeof v, '\0');
    std::memcpy(s.data(), &v, sizeof v);
    return s;
}

using Value = std::optional<std::string>;

struct TypeCase {
    const char* name;
    FieldSpec field;
    std::vector<Value> values;   // as stored
    std::vector<Value> expected; // as libmdb shows them
    bool indexable = true;
};

std::string guid(unsigned char seed)
{
    std::string g(16, '\0');
    for (int i = 0; i < 16; ++i)
        g[static_cast<std::size_t>(i)] = static_cast<char>(seed + i * 17);
    return g;
}

std::vector<TypeCase> typeCases(JetVersion version)
{
    const std::string longText(200, 'x');
    const std::string memo = std::string(3000, 'm') + "end"; // spread over long-value pages
    std::string picture;
    for (int i = 0; i < 9000; ++i)
        picture.push_back(static_cast<char>(i * 7));
    std::vector<TypeCase> cases = {
        {"Boolean", {"V", kBoolean}, {"1", std::nullopt, "0", "1"}, {"1", "0", "0", "1"}},
        {"Byte",
         {"V", kByte},
         {bytesOf<std::uint8_t>(0), bytesOf<std::uint8_t>(255), std::nullopt, bytesOf<std::uint8_t>(7)},
         {"0", "255", std::nullopt, "7"}},
        {"Integer",
         {"V", kInteger},
         {bytesOf<std::int16_t>(-32768), bytesOf<std::int16_t>(32767), std::nullopt, bytesOf<std::int16_t>(-1)},
         {"-32768", "32767", std::nullopt, "-1"}},
        {"Long",
         {"V", kLong},
         {bytesOf<std::int32_t>(INT32_MIN), bytesOf<std::int32_t>(0), std::nullopt, bytesOf<std::int32_t>(42)},
         {"-2147483648", "0", std::nullopt, "42"}},
        {"Currency",
         {"V", kCurrency},
         {bytesOf<std::int64_t>(123456), bytesOf<std::int64_t>(-50000), std::nullopt, bytesOf<std::int64_t>(0)},
         {"12.3456", "-5.0000", std::nullopt, "0.0000"}},
        {"Single",
         {"V", kSingle},
         {bytesOf<float>(1.5f), bytesOf<float>(-2.25f), std::nullopt, bytesOf<float>(0.0f)},
         {"1.5", "-2.25", std::nullopt, "0"}},
        {"Double",
         {"V", kDouble},
         {bytesOf<double>(3.25), bytesOf<double>(-1e10), std::nullopt, bytesOf<double>(-0.5)},
         {"3.25", "-10000000000", std::nullopt, "-0.5"}},
        {"DateTime",
         {"V", kDateTime},
         {bytesOf<double>(36526.5), bytesOf<double>(2.0), std::nullopt, bytesOf<double>(45000.25)},
         {"01/01/00 12:00:00", "01/01/00 00:00:00", std::nullopt, "03/15/23 06:00:00"}},
        {"Text", {"V", kText, 200}, {"alpha", "", std::nullopt, longText}, {"alpha", "", std::nullopt, longText}},
        {"Binary",
         {"V", kBinary, 16},
         {std::string("\x00\x01\xFF", 3), "", std::nullopt, "abc"},
         {std::string("\x00\x01\xFF", 3), "", std::nullopt, "abc"},
         false},
        {"Memo", {"V", kMemo}, {"short", memo, std::nullopt, ""}, {"short", memo, std::nullopt, ""}, false},
        {"Ole",
         {"V", kOle},
         {"tiny", picture, std::nullopt, std::string(500, '\x01')},
         {"tiny", picture, std::nullopt, std::string(500, '\x01')},
         false},
        {"ReplicationId", {"V", kGuid}, {guid(1), guid(50), std::nullopt, guid(3)}, {}, true},
    };
    if (version == JetVersion::Jet4) {
        std::string decimal(17, '\0'); // 12.34 at scale 2: 1234 and the sign byte 0
        decimal[1] = static_cast<char>(1234 & 0xFF);
        decimal[2] = static_cast<char>(1234 >> 8);
        cases.push_back({"Decimal", {"V", kNumeric, 0, false, false, 18, 2}, {decimal, std::nullopt}, {}, false});
    }
    return cases;
}

class TypedTables : public TempFolderTest, public ::testing::WithParamInterface<JetVersion>
{
protected:
    std::unique_ptr<DatabaseReader> open(const std::string& file)
    {
        Status status;
        auto db = DatabaseReader::open(path(file), "", &status);
        EXPECT_TRUE(db) << status.message();
        return db;
    }
};

std::vector<std::vector<Value>> rowsOf(DatabaseReader& db, const std::string& table)
{
    Status status;
    auto t = openAnyTable(db, table, &status);
    EXPECT_TRUE(t) << status.message();
    std::vector<std::vector<Value>> rows;
    while (t && t->next()) {
        std::vector<Value> row;
        for (std::size_t i = 0; i < t->columnNames().size(); ++i)
            row.push_back(t->field(i));
        rows.push_back(std::move(row));
    }
    EXPECT_TRUE(!t || t->status().isOk());
    return rows;
}

TEST_P(TypedTables, EveryFieldTypeReadsBackAndSurvivesCompaction)
{
    const auto cases = typeCases(GetParam());
    Status status;
    auto w = createDatabaseWriter(path("types.mdb"), GetParam(), "", {}, &status);
    ASSERT_TRUE(w) << status.message();
    for (const TypeCase& c : cases) {
        std::vector<IndexSpec> indexes = {{"PrimaryKey", {{"Id", false}}, true}};
        if (c.indexable)
            indexes.push_back({"ByValue", {{"V", false}, {"Id", true}}});
        ASSERT_TRUE(createTypedTable(*w, c.name, {{"Id", kLong, 0, true, true}, c.field}, indexes).isOk())
            << c.name << ": " << w->status().message();
        for (const Value& v : c.values)
            ASSERT_TRUE(w->appendRow({std::nullopt, v ? std::optional<std::string_view>(*v) : std::nullopt}).isOk())
                << c.name << ": " << w->status().message();
    }
    ASSERT_TRUE(w->close().isOk()) << w->status().message();
    quorlix::testing::keepDatabaseCopy(path("types.mdb"));

    auto db = open("types.mdb");
    ASSERT_TRUE(db);
    for (const TypeCase& c : cases) {
        const auto rows = rowsOf(*db, c.name);
        ASSERT_EQ(rows.size(), c.values.size()) << c.name;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_EQ(rows[r][0], std::to_string(r + 1)) << c.name << ": AutoNumber";
            if (!c.expected.empty()) {
                // Long values are compared by size and equality only: they run to kilobytes.
                EXPECT_TRUE(rows[r][1] == c.expected[r])
                    << c.name << " row " << r << ": " << (rows[r][1] ? rows[r][1]->size() : 0) << " bytes "
                    << (rows[r][1] && rows[r][1]->size() < 80 ? *rows[r][1] : std::string());
            }
        }
    }

    std::vector<TableCopy> copied;
    status = copyDatabase(path("types.mdb"), path("copy.mdb"), {}, &copied);
    ASSERT_TRUE(status.isOk()) << status.message();
    auto copy = open("copy.mdb");
    ASSERT_TRUE(copy);
    for (const TypeCase& c : cases)
        EXPECT_TRUE(rowsOf(*copy, c.name) == rowsOf(*db, c.name)) << c.name;
    quorlix::testing::keepDatabaseCopy(path("copy.mdb"));
}

// Entries of every index of table, keys only, in index order.
std::vector<std::vector<std::string>> indexKeys(const std::string& file, JetVersion version, std::uint32_t tdefPage,
                                                const std::vector<std::uint32_t>& roots)
{
    const Format& f = formatOf(version);
    FilePageSource pages(file, f.pageSize);
    std::vector<std::vector<std::string>> out;
    for (std::uint32_t root : roots) {
        std::vector<IndexEntry> entries;
        EXPECT_TRUE(readIndexEntries(f, pages, root, tdefPage, &entries).isOk());
        out.emplace_back();
        for (const IndexEntry& e : entries)
            out.back().push_back(e.key + std::string(1, '\0') + std::to_string(e.page) + ":" + std::to_string(e.row));
    }
    return out;
}

// The definition page and index roots of the only user table of a file.
std::pair<std::uint32_t, std::vector<std::uint32_t>> onlyTableIndexes(const std::string& file, JetVersion version)
{
    Status status;
    auto db = DatabaseReader::open(file, "", &status);
    std::uint32_t page = 0;
    for (const CatalogObject& o : catalogObjects(*db))
        if (o.type == 1 && o.flags == 0)
            page = static_cast<std::uint32_t>(o.id);
    const Format& f = formatOf(version);
    FilePageSource pages(file, f.pageSize);
    const std::vector<std::uint32_t> roots = quorlix::testing::indexRoots(f, pages, page);
    return {page, roots};
}

TEST_P(TypedTables, IndexKindsSortHoldTheirConstraintsAndSurviveCompaction)
{
    const JetVersion version = GetParam();
    Status status;
    auto w = createDatabaseWriter(path("kinds.mdb"), version, "", {}, &status);
    ASSERT_TRUE(w);
    const std::vector<IndexSpec> indexes = {
        {"PrimaryKey", {{"Id", false}}, true},
        {"ByName", {{"Name", false}}},
        {"ByScoreDown", {{"Score", true}}, false, false, true}, // ignores Nulls
        {"UniqueCode", {{"Code", false}}, false, true},
        {"NameThenScore", {{"Name", false}, {"Score", true}}},
    };
    ASSERT_TRUE(createTypedTable(
                    *w, "People",
                    {{"Id", kLong, 0, true, true}, {"Name", kText, 30}, {"Score", kLong}, {"Code", kText, 10}}, indexes)
                    .isOk());
    constexpr int kRows = 30000; // many leaves and a node level in every index
    std::map<std::string, std::pair<std::string, std::optional<std::int32_t>>> byPointer;
    for (int i = 0; i < kRows; ++i) {
        const std::string name = (i % 2 ? "Name " : "name ") + std::to_string(i * 7919 % kRows);
        const std::optional<std::string> score =
            i % 5 == 0 ? std::nullopt : std::optional<std::string>(bytesOf<std::int32_t>(i * 31 % 1000 - 500));
        const std::string code = "c" + std::to_string(i);
        ASSERT_TRUE(w->appendRow({std::nullopt, name, score, code}).isOk()) << w->status().message();
    }
    const Status refused = w->appendRow({std::nullopt, "x", std::nullopt, "c7"});
    EXPECT_EQ(refused.message(), "The index \"UniqueCode\" of table \"People\" already holds a record with that key.");
    ASSERT_TRUE(w->close().code() == Status::Code::InvalidArgument) << "the refusal is kept; the file is complete";
    quorlix::testing::keepDatabaseCopy(path("kinds.mdb"));

    // Every index lists each record once (Nulls left out where it ignores them), in key order.
    const auto [page, roots] = onlyTableIndexes(path("kinds.mdb"), version);
    ASSERT_EQ(roots.size(), indexes.size());
    const auto keys = indexKeys(path("kinds.mdb"), version, page, roots);
    auto stripped = [](std::vector<std::vector<std::string>> all) {
        for (auto& index : all)
            for (std::string& e : index)
                e.erase(e.rfind('\0'));
        return all;
    };
    const std::vector<std::size_t> counts = {kRows, kRows, kRows - kRows / 5, kRows, kRows};
    const auto bare = stripped(keys);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(keys[k].size(), counts[k]) << indexes[k].name;
        EXPECT_TRUE(std::is_sorted(bare[k].begin(), bare[k].end())) << indexes[k].name;
    }
    // ByName follows the names without regard to case; ByScoreDown runs from high to low.
    auto db = open("kinds.mdb");
    auto table = db->openTable("People", &status);
    ASSERT_TRUE(table);
    std::map<std::string, std::vector<Value>> rows; // by "page:row"
    RawRow raw;
    while (table->next() && currentRawRow(*table, &raw))
        rows[std::to_string(raw.page) + ":" + std::to_string(raw.row)] = {table->field(1), table->field(2)};
    auto rowOf = [&](const std::string& entry) { return rows.at(entry.substr(entry.rfind('\0') + 1)); };
    std::string lastName;
    long lastScore = 1 << 30;
    for (const std::string& e : keys[1]) {
        std::string name = *rowOf(e)[0];
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_LE(lastName, name);
        lastName = name;
    }
    for (const std::string& e : keys[2]) {
        const long score = std::stol(*rowOf(e)[1]);
        EXPECT_GE(lastScore, score);
        lastScore = score;
    }

    std::vector<TableCopy> copied;
    ASSERT_TRUE(copyDatabase(path("kinds.mdb"), path("copy.mdb"), {}, &copied).isOk());
    const auto [copyPage, copyRoots] = onlyTableIndexes(path("copy.mdb"), version);
    EXPECT_TRUE(stripped(indexKeys(path("copy.mdb"), version, copyPage, copyRoots)) == bare);
}

INSTANTIATE_TEST_SUITE_P(Versions, TypedTables, ::testing::Values(JetVersion::Jet3, JetVersion::Jet4),
                         [](const ::testing::TestParamInfo<JetVersion>& p) {
                             return p.param == JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

} // namespace
