// The encoders of the Jet writer, byte by byte.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/jet/JetEncode.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetWriterTestSupport.h"

namespace quorlix::jet
{
namespace
{

using testing::u16At;
using testing::u32At;
using testing::u8At;

std::string hex(std::string_view s)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (char c : s) {
        if (!out.empty())
            out += ' ';
        out += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
        out += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b)
        s.push_back(static_cast<char>(v));
    return s;
}

const Format& jet3 = formatOf(JetVersion::Jet3);
const Format& jet4 = formatOf(JetVersion::Jet4);

// Page 0 of a Jet 3 file, after removing the mask.
TEST(JetWriterEncode, Jet3HeaderPageFieldByField)
{
    const std::string raw = encodeHeaderPage(jet3, "kfz lomb 7316", 40000.0);
    ASSERT_EQ(raw.size(), 2048u);
    // The mask really is applied: the first masked u32 (0x100) XOR keystream.
    EXPECT_EQ(hex(raw.substr(0x18, 4)), "b5 6e 03 62");
    const std::string p = unmaskHeaderPage(jet3, raw);
    struct Field {
        std::size_t offset;
        std::string bytes;
        const char* meaning;
    } fields[] = {
        {0x00, bytes({0x00, 0x01, 0x00, 0x00}), "magic"},
        {0x04, std::string("Standard Jet DB\0", 16), "engine name"},
        {0x14, bytes({0x00}), "version: Jet 3"},
        {0x18, bytes({0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0}), "constants"},
        {0x38, bytes({0x01}), "unknown flag"},
        {0x3A, bytes({0x09, 0x04}), "sort order General"},
        {0x3C, bytes({0xE4, 0x04}), "code page 1252"},
        {0x3E, bytes({0, 0, 0, 0}), "database key: not encrypted"},
        {0x42, std::string("kfz lomb 7316\0\0\0\0\0\0\0", 20), "password, NUL padded"},
        {0x56, std::string(0x600 - 0x56, '\0'), "rest up to the lock bytes"},
        {0x600, bytes({0x01, 0x01, 0x00, 0x01, 0x00, 0x01}), "lock bytes start"},
        {0x7FE, bytes({0x00, 0x01}), "lock bytes end"},
    };
    for (const Field& f : fields)
        EXPECT_EQ(hex(p.substr(f.offset, f.bytes.size())), hex(f.bytes)) << f.meaning;
}

TEST(JetWriterEncode, Jet4HeaderMasksPasswordWithCreationDay)
{
    const double date = 45000.75; // whole days 45000 = 0x0000AFC8
    const std::string p = unmaskHeaderPage(jet4, encodeHeaderPage(jet4, bytes({'a', 0, 'b', 0}), date));
    ASSERT_EQ(p.size(), 4096u);
    EXPECT_EQ(u8At(p, 0x14), 1u);
    EXPECT_EQ(getF64(&p[0x72]), date);
    EXPECT_EQ(u16At(p, 0x6E), 0x0409u);
    // 'a' ^ C8, 0 ^ AF, 'b' ^ 00, 0 ^ 00, then the bare mask over the padding.
    EXPECT_EQ(hex(p.substr(0x42, 8)), "a9 af 62 00 c8 af 00 00");
    EXPECT_EQ(hex(p.substr(0xE00, 4)), "01 01 00 01");
    // Jet 3's sort order slot stays empty; after the masked bytes come the
    // engine's 0x654 and "4.0", unscrambled.
    EXPECT_EQ(u8At(p, 0x38), 0u);
    EXPECT_EQ(u16At(p, 0x3A), 0u);
    EXPECT_EQ(u16At(p, 0x3C), 1252u);
    EXPECT_EQ(u32At(p, 0x98), 0x654u);
    EXPECT_EQ(p.substr(0x9C, 4), std::string("4.0\0", 4));
}

// The table a password list gets: Last_Name, First_Name, Password, 3 rows.
TableDef passwordTable(const Format& f)
{
    TableDef def;
    for (const char* n : {"Last_Name", "First_Name", "Password"}) {
        ColumnDef c;
        c.name = n;
        c.flags = kColumnNullable;
        c.size = f.isJet4() ? 100 : 50;
        c.extraFlags = f.isJet4() ? kColumnCompressed : 0;
        def.columns.push_back(c);
    }
    layoutColumns(&def.columns);
    def.rowCount = 3;
    def.ownedMap = pageRow(19, 0);
    def.freeMap = pageRow(19, 1);
    return def;
}

TEST(JetWriterEncode, Jet3PasswordTableDefinitionGolden)
{
    const std::string page = encodeTableDefinition(jet3, passwordTable(jet3));
    ASSERT_EQ(page.size(), 2048u);
    // clang-format off
    const std::string golden = bytes({
        0x02, 0x01, 'V', 'C',           // TDEF page, "VC"
        0x00, 0x00, 0x00, 0x00,         // no continuation page
        0x81, 0x00, 0x00, 0x00,         // definition length 129
        0x03, 0x00, 0x00, 0x00,         // 3 rows
        0x00, 0x00, 0x00, 0x00,         // no AutoNumber
        0x4E,                           // user table
        0x03, 0x00, 0x03, 0x00, 0x03, 0x00, // max columns, variable columns, columns
        0x00, 0x00, 0x00, 0x00,         // logical indexes
        0x00, 0x00, 0x00, 0x00,         // real indexes
        0x00, 0x13, 0x00, 0x00,         // owned-pages map: page 19 row 0
        0x01, 0x13, 0x00, 0x00,         // free-space map: page 19 row 1
        // Column 0: Text, number 0, var slot 0, number again, 1, sort 0x409,
        // code page 1252, nullable, no fixed offset, 50 characters.
        0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x09, 0x04, 0xE4, 0x04, 0x02, 0x00, 0x00, 0x32, 0x00,
        0x0A, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x09, 0x04, 0xE4, 0x04, 0x02, 0x00, 0x00, 0x32, 0x00,
        0x0A, 0x02, 0x00, 0x02, 0x00, 0x02, 0x00, 0x01, 0x00, 0x09, 0x04, 0xE4, 0x04, 0x02, 0x00, 0x00, 0x32, 0x00,
        9, 'L', 'a', 's', 't', '_', 'N', 'a', 'm', 'e',
        10, 'F', 'i', 'r', 's', 't', '_', 'N', 'a', 'm', 'e',
        8, 'P', 'a', 's', 's', 'w', 'o', 'r', 'd',
        0xFF, 0xFF,                     // no long-value columns
    });
    // clang-format on
    EXPECT_EQ(hex(page.substr(0, golden.size())), hex(golden));
    EXPECT_EQ(page.find_first_not_of('\0', golden.size()), std::string::npos);
}

// Rows with long values are read back by libmdb in the round trips of
// JetWriter_test.cpp; here the exact bytes and the size the page fitting uses.
std::optional<std::string> text(std::size_t n, char c)
{
    return std::string(n, c);
}

// Exact bytes of short rows, and the size the page fitting predicts at the
// jump boundaries of Jet 3 (rows with long values are read back by libmdb in
// the round trips of JetWriter_test.cpp).
TEST(JetWriterEncode, RowBytesAndPredictedSize)
{
    const struct {
        const char* name;
        std::vector<std::optional<std::string>> values;
        std::string jet3; // expected bytes; empty = only check the predicted size
    } cases[] = {
        // num_cols | data | eod | offsets of Password, First, Last | var_len | null mask
        {"passwordOnly", {std::nullopt, std::nullopt, std::string("abc")}, bytes({3, 'a', 'b', 'c', 4, 1, 1, 1, 3, 4})},
        {"emptyIsNotNull", {std::string(), std::nullopt, std::string("x")}, bytes({3, 'x', 2, 1, 1, 1, 3, 0x05})},
        {"allNull", {std::nullopt, std::nullopt, std::nullopt}, bytes({3, 1, 1, 1, 1, 3, 0x00})},
        // 1 + 250 + 1 + 3 + 1 + 1 = 257 bytes: no offset reaches 256, so one dummy jump (0xFF).
        {"dummyJump",
         {text(250, 'a'), std::nullopt, std::nullopt},
         bytes({3}) + std::string(250, 'a') + bytes({0xFB, 0xFB, 0xFB, 0x01, 0xFF, 0x03, 0x01})},
        {"eodPastBoundary", {text(100, 'a'), text(100, 'b'), text(54, 'c')}, ""},
        {"twoJumps", {text(255, 'a'), text(255, 'b'), text(255, 'c')}, ""}};
    for (const auto& c : cases) {
        for (const Format* f : {&jet3, &jet4}) {
            SCOPED_TRACE(std::string(c.name) + (f->isJet4() ? " Jet 4" : " Jet 3"));
            std::vector<ColumnDef> cols(c.values.size());
            const RowLayout layout = layoutColumns(&cols);
            std::vector<std::optional<std::string_view>> v;
            std::size_t varBytes = 0;
            for (const auto& x : c.values) {
                v.push_back(x ? std::optional<std::string_view>(*x) : std::nullopt);
                varBytes += x ? x->size() : 0;
            }
            std::string row;
            encodeRow(*f, cols, layout, v.data(), &row);
            EXPECT_EQ(row.size(), rowSize(*f, layout, cols.size(), varBytes));
            if (f == &jet3 && !c.jet3.empty()) {
                EXPECT_EQ(hex(row), hex(c.jet3));
            }
        }
    }
}

TEST(JetWriterEncode, DataPageStopsAtSpaceAndAt255Rows)
{
    DataPageBuilder b(jet3, 18);
    EXPECT_TRUE(b.fits(2048 - 10 - 2));
    EXPECT_FALSE(b.fits(2048 - 10 - 1));
    for (int i = 0; i < 255; ++i)
        b.add("x");
    EXPECT_FALSE(b.fits(1));
}

// Usage maps, inline while the pages fit the bits of one row, by reference
// to bitmap pages always: each lists exactly the set's pages.
TEST(JetWriterEncode, UsageMapsListExactlyTheSetsPages)
{
    const struct {
        const char* name;
        PageSet set;
        bool fitsInline;
        std::uint32_t start;
    } cases[] = {{"lastInlineBit", {{16, 16 + 1023}}, true, 16},
                 {"oneTooMany", {{16, 16 + 1024}}, false, 0},
                 {"twoBitmapPages", {{16000, 17500}}, false, 0},
                 {"twoRanges", {{18, 20}, {40, 41}}, true, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(inlineMapFits(jet3, c.set), c.fitsInline);
        std::vector<std::uint32_t> expected;
        for (const PageRange& r : c.set)
            for (std::uint32_t p = r.first; p <= r.last; ++p)
                expected.push_back(p);
        if (c.fitsInline) {
            const std::string row = encodeInlineMap(jet3, c.set);
            ASSERT_EQ(row.size(), 133u);
            EXPECT_EQ(u32At(row, 1), c.start);
            EXPECT_EQ(testing::RawDatabase(std::string(2048, '\0')).mapPages(row), expected);
        }
        // The reference form: a file of bitmap pages.
        std::vector<std::uint32_t> pointers(33, 0);
        std::string file(2048, '\0');
        for (std::uint32_t slot : bitmapSlots(jet3, c.set)) {
            pointers[slot] = static_cast<std::uint32_t>(file.size() / 2048);
            file += encodeBitmapPage(jet3, slot, c.set);
        }
        const std::string row = encodeReferenceMap(jet3, pointers);
        ASSERT_EQ(row.size(), 133u);
        EXPECT_EQ(u8At(row, 0), 1u);
        EXPECT_EQ(testing::RawDatabase(file).mapPages(row), expected);
    }
}

TEST(JetWriterEncode, IndexKeysSortLikeJet)
{
    std::string key;
    appendLongKey(&key, 0x0F000001);
    ASSERT_TRUE(appendTextKey(jet3, &key, "MSysDb"));
    appendIndexRowPointer(&key, 0x123, 7);
    // flag, Id ^ sign bit BE, flag, codes (case folded), terminator, page BE, row.
    EXPECT_EQ(hex(key), "7f 8f 00 00 01 7f 6f 76 7d 76 64 61 00 00 01 23 07");
    std::string neg;
    appendLongKey(&neg, 0x80000000u);
    EXPECT_EQ(hex(neg), "7f 00 00 00 00");

    struct Case {
        const Format* format;
        const char* text;
        const char* key; // "" = refused
    } cases[] = {
        // Catalog names as Jet writes them in new files.
        {&jet3, "Databases", "7f 64 60 77 60 61 60 76 66 76 00"},
        {&jet4, "Databases", "7f 4f 4a 6d 4a 4c 4a 6b 51 6b 01 00"},
        {&jet4, "MSysDb", "7f 60 6b 76 6b 4f 4c 01 00"},
        {&jet3, "caf\xE9", ""},
        {&jet3, "Password Database", "7f 73 60 76 76 7b 72 75 64 11 64 60 77 60 61 60 76 66 00"},
        {&jet4, "a_b ", "7f 4a 2b 03 4c 01 00"}, // two-byte code, trailing blank dropped
        {&jet3, "a-b", "7f 60 1e 61 00"},
        {&jet4, "a-b", ""},
        {&jet4, "it's", ""},
    };
    for (const Case& c : cases) {
        std::string e;
        const bool ok = appendTextKey(*c.format, &e, c.text);
        EXPECT_EQ(ok, *c.key != 0) << c.text;
        if (ok) {
            EXPECT_EQ(hex(e), c.key) << c.text;
        }
    }
}

} // namespace
} // namespace quorlix::jet
