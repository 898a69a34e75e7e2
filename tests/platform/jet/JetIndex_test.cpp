// Index pages: built pages read back, and the indexes of real Access files
// read and their keys recomputed from the rows.
#include "platform/jet/JetIndex.h"

#include "platform/jet/JetEncode.h"
#include "platform/jet/JetReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include <mdbtools.h>

#include "support/Samples.h"

namespace fs = std::filesystem;
using namespace quorlix;
using namespace quorlix::jet;

namespace
{

const fs::path kSamples = quorlix::testing::samplesFolder();

class MemoryPages : public PageSource
{
public:
    MemoryPages(std::uint32_t firstPage, const std::vector<std::string>& pages) : m_first(firstPage), m_pages(pages) {}
    bool read(std::uint32_t page, std::string* out) override
    {
        if (page < m_first || page - m_first >= m_pages.size())
            return false;
        *out = m_pages[page - m_first];
        return true;
    }
    std::uint32_t pageCount() const override { return m_first + static_cast<std::uint32_t>(m_pages.size()); }

private:
    std::uint32_t m_first;
    const std::vector<std::string>& m_pages;
};

std::string le(std::uint64_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

// ---- built pages read back ----------------------------------------------------

struct BuildCase {
    const char* name;
    JetVersion version;
    std::size_t count;
    // Key of entry i (the entries are given in a scrambled order).
    std::function<std::string(const Format&, std::size_t)> key;
};

std::string longKey(const Format& f, std::size_t i)
{
    std::string k;
    appendColumnKey(f, {kLong, false}, le(static_cast<std::uint32_t>(i * 7919 % 100003) - 50000, 4), &k);
    return k;
}
// A long shared prefix, then a descending number.
std::string prefixedKey(const Format& f, std::size_t i)
{
    std::string k;
    appendColumnKey(f, {kText, false},
                    f.isJet4() ? std::string("c\0u\0s\0t\0o\0m\0e\0r\0 \0n\0u\0m\0b\0e\0r\0", 30)
                               : std::string("customer number"),
                    &k);
    appendColumnKey(f, {kLong, true}, le(i % 5000, 4), &k);
    return k;
}
std::string nullOrText(const Format& f, std::size_t i)
{
    std::string k;
    if (i % 3 == 0) {
        appendColumnKey(f, {kText, true}, std::nullopt, &k);
        return k;
    }
    std::string text = "entry " + std::to_string(i * 31 % 977);
    if (f.isJet4()) {
        std::string wide;
        for (char c : text)
            wide += std::string{c, '\0'};
        text = wide;
    }
    appendColumnKey(f, {kText, true}, text, &k);
    return k;
}

class BuildAndRead : public ::testing::TestWithParam<BuildCase>
{
};

// Every page of the tree is sound: free space and bitmap agree, each level
// is chained left to right, and only a level's rightmost node has a tail.
void checkTree(const Format& f, const IndexPages& built, std::uint32_t first)
{
    const std::uint32_t tailAt = f.isJet4() ? 20 : 16;
    const std::uint32_t prevAt = f.isJet4() ? 12 : 8;
    std::vector<std::uint32_t> level{built.root};
    for (;;) {
        std::vector<std::uint32_t> below;
        bool leaves = false;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const std::string& page = built.pages.at(level[i] - first);
            leaves = page[0] == 0x04;
            ASSERT_EQ(getU32(&page[prevAt]), i == 0 ? 0 : level[i - 1]) << "page " << level[i];
            ASSERT_EQ(getU32(&page[prevAt + 4]), i + 1 == level.size() ? 0 : level[i + 1]) << "page " << level[i];
            std::size_t end = 0;
            std::size_t start = 0;
            for (std::size_t bit = 1; bit < (f.indexEntriesOffset - f.indexBitmapOffset) * 8; ++bit) {
                if (!(getU8(&page[f.indexBitmapOffset + bit / 8]) & (1u << (bit % 8))))
                    continue;
                if (!leaves)
                    below.push_back((getU8(&page[f.indexEntriesOffset + bit - 4]) << 24) |
                                    (getU8(&page[f.indexEntriesOffset + bit - 3]) << 16) |
                                    (getU8(&page[f.indexEntriesOffset + bit - 2]) << 8) |
                                    getU8(&page[f.indexEntriesOffset + bit - 1]));
                ASSERT_GT(bit, start);
                start = end = bit;
            }
            ASSERT_EQ(getU16(&page[2]), f.pageSize - f.indexEntriesOffset - end) << "page " << level[i];
            const std::uint32_t tail = getU32(&page[tailAt]);
            if (leaves || i + 1 < level.size()) {
                ASSERT_EQ(tail, 0u) << "page " << level[i];
            } else {
                ASSERT_NE(tail, 0u) << "page " << level[i];
                below.push_back(tail);
            }
        }
        if (leaves)
            break;
        level = below;
    }
}

TEST_P(BuildAndRead, ReadsBackTheSortedEntriesFromSoundPages)
{
    const BuildCase& c = GetParam();
    const Format& f = formatOf(c.version);
    std::vector<IndexEntry> entries;
    for (std::size_t i = 0; i < c.count; ++i) {
        const std::size_t j = (i * 48271) % (c.count ? c.count : 1); // a prime step: every i once, scrambled
        entries.push_back({c.key(f, j), static_cast<std::uint32_t>(100 + j / 200), static_cast<std::uint8_t>(j % 200)});
    }
    std::vector<IndexEntry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(), entryLess);

    const std::uint32_t first = 40;
    const IndexPages built = buildIndexPages(f, 29, entries, first);
    ASSERT_FALSE(built.pages.empty());
    checkTree(f, built, first);

    MemoryPages source(first, built.pages);
    std::vector<IndexEntry> read;
    const Status s = readIndexEntries(f, source, built.root, 29, &read);
    ASSERT_TRUE(s.isOk()) << s.message();
    ASSERT_EQ(read.size(), sorted.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        ASSERT_EQ(read[i].key, sorted[i].key) << "entry " << i;
        ASSERT_EQ(read[i].page, sorted[i].page) << "entry " << i;
        ASSERT_EQ(read[i].row, sorted[i].row) << "entry " << i;
    }
    if (c.count == 0) {
        EXPECT_EQ(getU16(&built.pages[0][2]), f.pageSize - f.indexEntriesOffset);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Jet, BuildAndRead,
    ::testing::Values(
        BuildCase{"Jet3Empty", JetVersion::Jet3, 0, longKey},
        BuildCase{"Jet3One", JetVersion::Jet3, 1, longKey},
        BuildCase{"Jet3AboutOnePage", JetVersion::Jet3, 260, longKey},
        BuildCase{"Jet3Thousands", JetVersion::Jet3, 4999, prefixedKey},
        BuildCase{"Jet3NullsAndDescendingText", JetVersion::Jet3, 3001, nullOrText},
        BuildCase{"Jet3ThreeLevels", JetVersion::Jet3, 199999, prefixedKey},
        BuildCase{"Jet4Empty", JetVersion::Jet4, 0, longKey},
        BuildCase{"Jet4AboutOnePage", JetVersion::Jet4, 520, longKey},
        BuildCase{"Jet4NullsAndDescendingText", JetVersion::Jet4, 3001, nullOrText},
        BuildCase{"Jet4ThreeLevels", JetVersion::Jet4, 199999, prefixedKey}),
    [](const ::testing::TestParamInfo<BuildCase>& p) { return std::string(p.param.name); });
// clang-format on

TEST(BuildIndexPages, FillsALeafBeforeStartingTheNext)
{
    const Format& f = formatOf(JetVersion::Jet3);
    std::vector<IndexEntry> entries;
    IndexPages built;
    do {
        entries.push_back({longKey(f, entries.size()), 100, static_cast<std::uint8_t>(entries.size() % 200)});
        built = buildIndexPages(f, 29, entries, 40);
    } while (built.pages.size() == 1);
    entries.pop_back();
    built = buildIndexPages(f, 29, entries, 40);
    // Nothing more fits: not even a Long entry with its first bytes shared.
    EXPECT_LT(getU16(&built.pages[0][2]), 9u);
}

TEST(ReadIndexEntries, RefusesDamagedPagesNamingThePage)
{
    const Format& f = formatOf(JetVersion::Jet3);
    std::vector<IndexEntry> entries;
    for (std::size_t i = 0; i < 2000; ++i)
        entries.push_back({longKey(f, i), 100, static_cast<std::uint8_t>(i % 200)});
    const IndexPages good = buildIndexPages(f, 29, entries, 40);
    ASSERT_GT(good.pages.size(), 3u);

    struct Damage {
        const char* what;
        std::function<void(std::vector<std::string>&)> apply;
        std::string message;
    };
    const std::vector<Damage> damages = {
        {"other table", [](auto& p) { setU32(&p[1][4], 30); },
         "Index page 41 is not an index page of the table on page 29."},
        {"loop", [](auto& p) { setU32(&p[2][12], 41); },
         "Index page 41 is reached twice: the index pages form a loop."},
        {"beyond the file", [&](auto& p) { setU32(&p[0][12], 9999); },
         "Index page 9999 lies beyond the end of the file."},
        {"entry past the page", [&](auto& p) { p[0][f.indexEntriesOffset - 1] = '\x80'; },
         "Index page 40 has entries running past the end of the page."},
    };
    for (const Damage& d : damages) {
        std::vector<std::string> pages = good.pages;
        d.apply(pages);
        MemoryPages source(40, pages);
        std::vector<IndexEntry> read;
        const Status s = readIndexEntries(f, source, good.root, 29, &read);
        EXPECT_EQ(s.code(), Status::Code::Corruption) << d.what;
        EXPECT_EQ(s.message(), d.message) << d.what;
    }
}

std::string hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

// ---- real Access files ----------------------------------------------------------

// Where a row really is: a row that grew is moved, its slot (which the index
// names) flagged 0x4000 and holding a page/row pointer to the new place.
std::uint32_t movedRow(const Format& f, PageSource& pages, std::uint32_t page, std::uint32_t row)
{
    std::string bytes;
    const std::uint32_t countAt = f.dataRowCountOffset;
    if (!pages.read(page, &bytes) || row >= getU16(&bytes[countAt]))
        return pageRow(page, row);
    const std::uint32_t slot = getU16(&bytes[countAt + 2 + 2 * row]);
    if ((slot & 0xC000) != 0x4000)
        return pageRow(page, row);
    return getU32(&bytes[slot & 0x1FFF]);
}

struct MdbCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableCloser {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

// Per column type: keys that matched Access's, and keys that did not.
struct TypeTally {
    std::size_t matched = 0;
    std::size_t differed = 0;
    std::size_t notComputable = 0;
};

class SampleIndexes : public ::testing::TestWithParam<const char*>
{
};

TEST_P(SampleIndexes, ReadsEveryIndexAndRecomputesItsKeys)
{
    QUORLIX_NEED_SAMPLES();
    const std::string path = (kSamples / GetParam()).string();
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    ASSERT_TRUE(mdb_read_catalog(mdb.get(), MDB_TABLE));
    const bool jet4 = mdb->f->jet_version != MDB_VER_JET3;
    const Format& f = formatOf(jet4 ? JetVersion::Jet4 : JetVersion::Jet3);
    FilePageSource pages(path, f.pageSize);
    Status status;
    auto db = DatabaseReader::open(path, "", &status);
    ASSERT_TRUE(db) << status.message();

    std::map<int, TypeTally> tally;
    std::size_t indexes = 0;
    for (unsigned t = 0; t < mdb->num_catalog; ++t) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, t));
        if (entry->object_type != MDB_TABLE)
            continue;
        std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table(entry));
        if (!table)
            continue;
        mdb_read_columns(table.get());
        mdb_read_indices(table.get());
        const std::string name = entry->object_name;

        // Row pointer -> the row's fields as stored, via the reader's raw rows
        // cracked by libmdb.
        std::map<std::uint32_t, std::vector<std::optional<std::string>>> rows;
        auto walk = openAnyTable(*db, name, &status);
        ASSERT_TRUE(walk) << name << ": " << status.message();
        std::vector<MdbField> fields(table->num_cols);
        while (walk->next()) {
            RawRow raw;
            ASSERT_TRUE(currentRawRow(*walk, &raw));
            std::memcpy(mdb->pg_buf, raw.bytes.data(), raw.bytes.size());
            mdb_crack_row(table.get(), 0, raw.bytes.size(), fields.data());
            auto& values = rows[pageRow(raw.page, raw.row)];
            for (unsigned c = 0; c < table->num_cols; ++c) {
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
                if (col->col_type == MDB_BOOL)
                    values.emplace_back(std::string(1, fields[c].is_null ? '\0' : '\1'));
                else if (fields[c].is_null)
                    values.emplace_back(std::nullopt);
                else
                    values.emplace_back(std::string(static_cast<const char*>(fields[c].value),
                                                    static_cast<std::size_t>(fields[c].siz)));
            }
        }

        std::set<std::uint32_t> done;
        for (unsigned i = 0; i < table->num_idxs; ++i) {
            auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
            if (idx->index_type == 2 || !done.insert(idx->first_pg).second) // foreign keys share a real index
                continue;
            ++indexes;
            std::vector<IndexEntry> stored;
            const Status s =
                readIndexEntries(f, pages, idx->first_pg, static_cast<std::uint32_t>(entry->table_pg), &stored);
            ASSERT_TRUE(s.isOk()) << name << "." << idx->name << ": " << s.message();
            if (idx->flags & MDB_IDX_IGNORENULLS)
                EXPECT_LE(stored.size(), rows.size()) << name << "." << idx->name;
            else
                EXPECT_EQ(stored.size(), rows.size()) << name << "." << idx->name;
            for (std::size_t e = 1; e < stored.size(); ++e)
                ASSERT_TRUE(entryLess(stored[e - 1], stored[e])) << name << "." << idx->name << " entry " << e;

            for (const IndexEntry& e : stored) {
                auto row = rows.find(movedRow(f, pages, e.page, e.row));
                ASSERT_NE(row, rows.end()) << name << "." << idx->name << ": no row " << e.page << "/" << int(e.row);
                std::string key;
                bool computable = true;
                int type = 0;
                for (unsigned k = 0; k < idx->num_keys && computable; ++k) {
                    // libmdb numbers key columns from 1 by their place in the table.
                    const auto c = static_cast<unsigned>(idx->key_col_num[k] - 1);
                    ASSERT_LT(c, table->num_cols);
                    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
                    type = idx->num_keys == 1 ? col->col_type : type;
                    const auto& v = row->second[c];
                    computable = appendColumnKey(
                        f, {static_cast<std::uint8_t>(col->col_type), idx->key_col_order[k] == MDB_DESC},
                        v ? std::optional<std::string_view>(*v) : std::nullopt, &key);
                    if (!computable)
                        type = col->col_type;
                }
                TypeTally& counts = tally[type]; // 0: keys of several columns
                if (!computable)
                    ++counts.notComputable;
                else if (key == e.key)
                    ++counts.matched;
                else if (++counts.differed <= 5)
                    ADD_FAILURE() << name << "." << idx->name << " row " << e.page << "/" << int(e.row) << " type "
                                  << type << "\n  ours   " << hex(key) << "\n  Access " << hex(e.key);
            }
        }
    }
    EXPECT_GT(indexes, 0u);
    for (const auto& [type, t] : tally)
        std::cout << GetParam() << " type " << type << ": " << t.matched << " keys as Access, " << t.differed
                  << " differ, " << t.notComputable << " not computable\n";
}

INSTANTIATE_TEST_SUITE_P(Jet, SampleIndexes,
                         ::testing::Values("adox_jet4.mdb", "emptyV2000.mdb", "compIndexTestV1997.mdb",
                                           "delColTestV1997.mdb", "delTestV1997.mdb", "indexTestV1997.mdb",
                                           "overflowTestV1997.mdb", "queryTestV1997.mdb", "test2V1997.mdb",
                                           "testIndexCodesV1997.mdb", "testV1997.mdb"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                             std::string n = p.param;
                             return n.substr(0, n.find('.'));
                         });

} // namespace

namespace
{

// libmdb walks a two-level index we built as Access built its own: same
// entries, same order. The index of compIndexTestV1997's table on page 29
// (root 36) is grown sixtyfold with made-up row pointers (libmdb's walk does
// not visit the rows) and appended to a copy of the file.
TEST(BuiltIndexes, LibmdbWalksAGrownSampleIndexInOrder)
{
    QUORLIX_NEED_SAMPLES();
    const fs::path sample = kSamples / "compIndexTestV1997.mdb";
    const Format& f = formatOf(JetVersion::Jet3);
    std::vector<IndexEntry> own;
    {
        FilePageSource source(sample.string(), f.pageSize);
        ASSERT_TRUE(readIndexEntries(f, source, 36, 29, &own).isOk());
    }
    std::vector<IndexEntry> grown;
    for (std::uint32_t k = 0; k < 60; ++k)
        for (const IndexEntry& e : own)
            grown.push_back({e.key, e.page + 1000 * k, e.row});
    std::string file;
    {
        std::ifstream in(sample, std::ios::binary);
        file.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto firstPage = static_cast<std::uint32_t>(file.size() / f.pageSize);
    const IndexPages built = buildIndexPages(f, 29, grown, firstPage);
    ASSERT_GT(built.pages.size(), 2u);
    for (const std::string& p : built.pages)
        file += p;
    // The real index's root page field is the only 36 in the definition.
    const std::string rootField("\x24\0\0\0", 4);
    const std::size_t tdef = 29 * f.pageSize;
    const std::size_t at = file.find(rootField, tdef + f.tdefHeaderSize);
    ASSERT_LT(at, tdef + f.pageSize);
    ASSERT_GE(file.find(rootField, at + 1), tdef + f.pageSize);
    setU32(&file[at], built.root);
    const quorlix::testing::TempFolder dir;
    const fs::path copy = dir / "index.mdb";
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << file;

    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(copy.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    ASSERT_TRUE(mdb_read_catalog(mdb.get(), MDB_TABLE));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> walked;
    for (unsigned t = 0; t < mdb->num_catalog; ++t) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, t));
        if (entry->object_type != MDB_TABLE || entry->table_pg != 29)
            continue;
        std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table(entry));
        ASSERT_TRUE(table);
        mdb_read_columns(table.get());
        mdb_read_indices(table.get());
        for (unsigned i = 0; i < table->num_idxs; ++i) {
            auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
            if (idx->first_pg != built.root)
                continue;
            auto chain = std::make_unique<MdbIndexChain>();
            guint32 pg = 0;
            guint16 row = 0;
            while (mdb_index_find_next(mdb.get(), idx, chain.get(), &pg, &row))
                walked.emplace_back(pg, row);
        }
    }
    std::sort(grown.begin(), grown.end(), entryLess);
    ASSERT_EQ(walked.size(), grown.size());
    for (std::size_t i = 0; i < grown.size(); ++i) {
        ASSERT_EQ(walked[i].first, grown[i].page) << "entry " << i;
        ASSERT_EQ(walked[i].second, grown[i].row) << "entry " << i;
    }
}

} // namespace
