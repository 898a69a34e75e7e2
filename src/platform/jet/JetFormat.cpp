#include "platform/jet/JetFormat.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdio>

#include "platform/SecretMemory.h"
#include "platform/jet/JetEncode.h"

namespace quorlix::jet
{

// ---- Formats ------------------------------------------------------------------

const Format& formatOf(JetVersion version)
{
    // Jet 3: 2 KiB pages, 1 GiB files. Jet 4: 4 KiB pages, 2 GiB files; both
    // 524,288 pages. Rows stay a little under the page's usable space (Jet
    // itself refuses rows near the page size).
    static const Format jet3{JetVersion::Jet3, 2048, 524288, 126, 20, 8, 133, 43, 18, 0x16, 0xF8, 2012};
    static const Format jet4{JetVersion::Jet4, 4096, 524288, 128, 40, 12, 69, 63, 25, 0x1B, 0x1E0, 4060};
    return version == JetVersion::Jet4 ? jet4 : jet3;
}

std::string rc4Stream(std::string_view key, std::size_t n)
{
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (unsigned i = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::string out(n, '\0');
    unsigned a = 0;
    unsigned b = 0;
    for (std::size_t k = 0; k < n; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        out[k] = static_cast<char>(s[(s[a] + s[b]) & 0xFF]);
    }
    return out;
}

// ---- Text ---------------------------------------------------------------------

namespace
{

// Decodes one UTF-8 sequence at *pos; -1 for a malformed one.
long nextCodePoint(std::string_view s, std::size_t* pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = byte(*pos);
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || *pos + extra >= s.size() + (extra == 0 ? 1 : 0))
        return -1;
    long cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char cc = byte(*pos + k);
        if ((cc & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static const long kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    *pos += extra + 1;
    return cp;
}

// Code points of the bytes 0x80..0x9F of code page 1252. The five bytes 1252
// leaves undefined stand for their C1 code points, as the reader gives them,
// so text read from a Jet 3 file is written back byte for byte.
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

bool utf8ToCp1252(std::string_view utf8, std::string* out)
{
    out->clear();
    if (isAscii(utf8)) {
        out->assign(utf8);
        return true;
    }
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        long cp = nextCodePoint(utf8, &pos);
        if (cp < 0)
            return false;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out->push_back(static_cast<char>(cp));
            continue;
        }
        auto it = std::find(kCp1252High.begin(), kCp1252High.end(), static_cast<std::uint16_t>(cp));
        if (cp > 0xFFFF || it == kCp1252High.end())
            return false;
        out->push_back(static_cast<char>(0x80 + (it - kCp1252High.begin())));
    }
    return true;
}

bool utf8ToUcs2(std::string_view utf8, std::string* out)
{
    out->clear();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        long cp = nextCodePoint(utf8, &pos);
        if (cp < 0 || cp > 0xFFFF)
            return false;
        putU16(out, static_cast<std::uint32_t>(cp));
    }
    return true;
}

void compressUcs2(std::string_view ucs2, std::string* out)
{
    out->clear();
    std::size_t chars = ucs2.size() / 2;
    bool compressible = chars > 2; // FF FE costs two bytes
    for (std::size_t i = 0; compressible && i < chars; ++i)
        compressible = ucs2[2 * i + 1] == 0 && ucs2[2 * i] != 0;
    if (!compressible) {
        out->assign(ucs2);
        return;
    }
    out->reserve(2 + chars);
    out->push_back('\xFF');
    out->push_back('\xFE');
    for (std::size_t i = 0; i < chars; ++i)
        out->push_back(ucs2[2 * i]);
}

bool encodeText(const Format& format, std::string_view utf8, std::string* out)
{
    return format.isJet4() ? utf8ToUcs2(utf8, out) : utf8ToCp1252(utf8, out);
}

std::string unencodableCharacter(const Format& format, std::string_view utf8)
{
    std::size_t pos = 0;
    std::string bytes;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        const long cp = nextCodePoint(utf8, &pos);
        if (cp < 0) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(utf8[start]));
            return code;
        }
        if (!encodeText(format, utf8.substr(start, pos - start), &bytes)) {
            char code[12];
            std::snprintf(code, sizeof code, cp > 0xFF ? "0x%04lX" : "0x%02lX", cp);
            return code;
        }
    }
    return {};
}

std::string unstorableCharacter(JetVersion version, std::string_view utf8)
{
    return unencodableCharacter(formatOf(version), utf8);
}

std::size_t utf8Length(std::string_view utf8)
{
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// ---- Page 0 -------------------------------------------------------------------

namespace
{
constexpr std::size_t kMaskStart = 0x18;
constexpr std::string_view kHeaderKey{"\xC7\xDA\x39\x6B", 4};
} // namespace

std::string encodeHeaderPage(const Format& format, std::string_view password, double creationDate)
{
    assert(password.size() <= format.passwordSize);
    std::string page;
    page.reserve(format.pageSize);
    putU32(&page, 0x100); // magic
    page.append("Standard Jet DB", 15);
    putU8(&page, 0);
    putU8(&page, format.isJet4() ? 1 : 0); // 0x14: version
    putZeros(&page, 3);
    // 0x18: constants present in every file examined.
    for (std::uint32_t v : {0x100u, 0x101u, 2u, 3u, 4u, 5u})
        putU32(&page, v);
    putZeros(&page, 8);
    // 0x38 (meaning unknown) and 0x3A, the sort order, are Jet 3 fields;
    // Jet 4 keeps its sort order at 0x6E.
    putU8(&page, format.isJet4() ? 0 : 1);
    putU8(&page, 0);
    putU16(&page, format.isJet4() ? 0 : kSortGeneral);
    putU16(&page, kCodePage1252); // 0x3C
    putU32(&page, 0);             // 0x3E: database key 0 = pages not encrypted
    std::string pw(password);     // 0x42
    pw.resize(format.passwordSize, '\0');
    if (format.isJet4()) {
        // The password is further XORed with the whole days of the creation date.
        std::string mask;
        putU32(&mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(creationDate))));
        for (std::size_t i = 0; i < pw.size(); ++i)
            pw[i] = static_cast<char>(pw[i] ^ mask[i % 4]);
    }
    page += pw;
    page.resize(format.pageSize, '\0');
    if (format.isJet4()) {
        setU16(&page[0x6E], kSortGeneral); // 4 bytes: sort order, version 0
        std::string date;
        putF64(&date, creationDate);
        page.replace(0x72, 8, date);
        // Present in engine-made files, after the masked bytes.
        setU32(&page[0x98], 0x0654);
        page.replace(0x9C, 4, std::string("4.0\0", 4));
    }
    // Lock bytes: the same pattern in every file examined.
    std::size_t lockStart = format.pageSize - 512;
    page[lockStart] = 1;
    page[lockStart + 1] = 1;
    for (std::size_t i = lockStart + 2; i < format.pageSize; i += 2)
        page[i + 1] = 1;
    return unmaskHeaderPage(format, page); // the mask is its own inverse
}

std::string unmaskHeaderPage(const Format& format, std::string_view page)
{
    std::string out(page);
    std::string stream = rc4Stream(kHeaderKey, format.maskedSize);
    for (std::size_t i = 0; i < format.maskedSize && kMaskStart + i < out.size(); ++i)
        out[kMaskStart + i] = static_cast<char>(out[kMaskStart + i] ^ stream[i]);
    return out;
}

// ---- Columns and rows -----------------------------------------------------------

bool ColumnDef::isFixed() const
{
    switch (type) {
    case kBoolean:
    case kByte:
    case kInteger:
    case kLong:
    case kCurrency:
    case kSingle:
    case kDouble:
    case kDateTime:
    case kGuid:
    case kNumeric:
        return true;
    default:
        return false;
    }
}

std::uint16_t ColumnDef::fixedWidth() const
{
    switch (type) {
    case kByte:
        return 1;
    case kInteger:
        return 2;
    case kLong:
    case kSingle:
        return 4;
    case kCurrency:
    case kDouble:
    case kDateTime:
        return 8;
    case kGuid:
        return 16;
    case kNumeric:
        return 17;
    default:
        return 0;
    }
}

RowLayout layoutColumns(std::vector<ColumnDef>* columns)
{
    RowLayout layout;
    std::uint16_t number = 0;
    for (ColumnDef& c : *columns) {
        c.number = number++;
        if (c.isFixed()) {
            c.flags |= kColumnFixed;
            c.varIndex = static_cast<std::uint16_t>(layout.varCount);
            c.fixedOffset = c.type == kBoolean ? 0 : static_cast<std::uint16_t>(layout.fixedSize);
            layout.fixedSize += c.fixedWidth();
        } else {
            c.flags &= static_cast<std::uint8_t>(~kColumnFixed);
            c.varIndex = static_cast<std::uint16_t>(layout.varCount++);
            c.fixedOffset = 0;
        }
    }
    return layout;
}

namespace
{

// Jet 3 offsets are single bytes; rows of 256 bytes or more carry a jump
// table whose size depends on the row's own length.
std::size_t jet3Jumps(std::size_t lengthWithoutJumps)
{
    std::size_t jumps = 0;
    for (;;) {
        std::size_t next = (lengthWithoutJumps + jumps - 1) / 256;
        if (next == jumps)
            return jumps;
        jumps = next;
    }
}

} // namespace

std::size_t rowSize(const Format& format, const RowLayout& layout, std::size_t columnCount, std::size_t varBytes)
{
    std::size_t mask = (columnCount + 7) / 8;
    if (format.isJet4()) {
        std::size_t vars = layout.varCount ? 4 + 2 * layout.varCount : 0;
        return 2 + layout.fixedSize + varBytes + vars + mask;
    }
    if (layout.varCount == 0)
        return 1 + layout.fixedSize + mask;
    std::size_t base = 1 + layout.fixedSize + varBytes + 2 + layout.varCount + mask;
    return base + jet3Jumps(base);
}

void encodeRow(const Format& format, const std::vector<ColumnDef>& columns, const RowLayout& layout,
               const std::optional<std::string_view>* values, std::string* out)
{
    const std::size_t count = columns.size();
    const std::size_t head = format.isJet4() ? 2 : 1;
    out->clear();
    if (format.isJet4())
        putU16(out, static_cast<std::uint32_t>(count));
    else
        putU8(out, static_cast<std::uint32_t>(count));
    out->resize(head + layout.fixedSize, '\0');
    std::size_t maskBytes = (count + 7) / 8;
    std::array<char, 32> maskBuffer{};
    std::string bigMask;
    char* mask = maskBuffer.data();
    if (maskBytes > maskBuffer.size()) {
        bigMask.assign(maskBytes, '\0');
        mask = bigMask.data();
    }
    // Offsets of the variable columns in slot order; the last entry is eod.
    std::array<std::uint32_t, 64> offsetBuffer{};
    std::vector<std::uint32_t> bigOffsets;
    std::uint32_t* offsets = offsetBuffer.data();
    if (layout.varCount + 1 > offsetBuffer.size()) {
        bigOffsets.assign(layout.varCount + 1, 0);
        offsets = bigOffsets.data();
    }
    for (std::size_t i = 0; i < count; ++i) {
        const ColumnDef& c = columns[i];
        const std::optional<std::string_view>& v = values[i];
        if (v)
            mask[i / 8] = static_cast<char>(mask[i / 8] | (1 << (i % 8)));
        if (c.isFixed()) {
            if (v && c.fixedWidth() > 0) {
                assert(v->size() == c.fixedWidth());
                std::copy(v->begin(), v->end(), out->begin() + static_cast<std::ptrdiff_t>(head + c.fixedOffset));
            }
        } else {
            offsets[c.varIndex] = static_cast<std::uint32_t>(out->size());
            if (v)
                out->append(*v);
        }
    }
    if (layout.varCount > 0) {
        const std::uint32_t n = layout.varCount;
        offsets[n] = static_cast<std::uint32_t>(out->size()); // eod
        if (format.isJet4()) {
            for (std::uint32_t k = n + 1; k-- > 0;)
                putU16(out, offsets[k]);
            putU16(out, n);
        } else {
            std::size_t base = out->size() + 1 + n + 1 + maskBytes;
            std::size_t jumps = jet3Jumps(base);
            for (std::uint32_t k = n + 1; k-- > 0;)
                putU8(out, offsets[k] & 0xFF);
            // Jump j names the first entry at or past 256*j; 0xFF when none is.
            for (std::size_t j = jumps; j >= 1; --j) {
                std::uint32_t first = 0xFF;
                for (std::uint32_t k = 0; k <= n; ++k) {
                    if (offsets[k] >= 256 * j) {
                        first = k;
                        break;
                    }
                }
                putU8(out, first);
            }
            putU8(out, n);
        }
    }
    out->append(mask, maskBytes);
}

// ---- Data pages -----------------------------------------------------------------

DataPageBuilder::DataPageBuilder(const Format& format, std::uint32_t owner) : m_format(format)
{
    reset(owner);
}

DataPageBuilder::~DataPageBuilder()
{
    wipeSecret(m_page.data(), m_page.capacity());
}

void DataPageBuilder::reset(std::uint32_t owner)
{
    m_page.assign(m_format.pageSize, '\0');
    m_page[0] = 0x01;
    m_page[1] = 0x01;
    setU32(&m_page[4], owner);
    m_rows = 0;
    m_top = m_format.pageSize;
}

bool DataPageBuilder::fits(std::size_t rowBytes) const
{
    std::size_t slotsEnd = m_format.dataHeaderSize() + 2 * (m_rows + 1);
    return m_rows < kMaxRowsPerPage && rowBytes <= m_top && m_top - rowBytes >= slotsEnd;
}

std::uint32_t DataPageBuilder::add(std::string_view row)
{
    assert(fits(row.size()));
    m_top -= static_cast<std::uint32_t>(row.size());
    std::copy(row.begin(), row.end(), m_page.begin() + m_top);
    setU16(&m_page[m_format.dataHeaderSize() + 2 * m_rows], m_top);
    return m_rows++;
}

const std::string& DataPageBuilder::finish()
{
    std::uint32_t freeSpace = m_top - m_format.dataHeaderSize() - 2 * m_rows;
    setU16(&m_page[2], freeSpace);
    setU16(&m_page[m_format.dataRowCountOffset], m_rows);
    return m_page;
}

// ---- Usage maps -------------------------------------------------------------------

namespace
{

std::uint32_t inlineStart(const PageSet& set)
{
    return set.empty() ? 0 : set.front().first / 8 * 8;
}

// Sets bit i of bitmap for every page start+i of the set below start+bits.
void fillBitmap(char* bitmap, std::uint32_t start, std::uint32_t bits, const PageSet& set)
{
    for (const PageRange& r : set) {
        std::uint64_t from = std::max<std::uint64_t>(r.first, start);
        std::uint64_t to = std::min<std::uint64_t>(r.last, std::uint64_t{start} + bits - 1);
        for (std::uint64_t p = from; p <= to; ++p) {
            std::uint64_t i = p - start;
            bitmap[i / 8] = static_cast<char>(bitmap[i / 8] | (1 << (i % 8)));
        }
    }
}

} // namespace

void addPage(PageSet* set, std::uint32_t page)
{
    if (!set->empty() && set->back().last + 1 == page)
        set->back().last = page;
    else
        set->push_back({page, page});
}

bool inlineMapFits(const Format& format, const PageSet& set)
{
    return set.empty() || set.back().last - inlineStart(set) < format.inlineMapPages();
}

std::string encodeInlineMap(const Format& format, const PageSet& set)
{
    return encodeInlineMap(format, set, inlineStart(set));
}

std::string encodeInlineMap(const Format& format, const PageSet& set, std::uint32_t start)
{
    assert(set.empty() || (set.front().first >= start && set.back().last - start < format.inlineMapPages()));
    std::string row;
    putU8(&row, 0);
    putU32(&row, start);
    row.resize(format.mapRowSize, '\0');
    fillBitmap(&row[5], start, format.inlineMapPages(), set);
    return row;
}

std::string encodeReferenceMap(const Format& format, const std::vector<std::uint32_t>& bitmapPages)
{
    assert(bitmapPages.size() <= format.referencePointers());
    std::string row;
    putU8(&row, 1);
    for (std::uint32_t p : bitmapPages)
        putU32(&row, p);
    row.resize(format.mapRowSize, '\0');
    return row;
}

std::string encodeBitmapPage(const Format& format, std::uint32_t index, const PageSet& set)
{
    std::string page(format.pageSize, '\0');
    page[0] = 0x05;
    page[1] = 0x01;
    fillBitmap(&page[4], index * format.bitmapPagePages(), format.bitmapPagePages(), set);
    return page;
}

std::vector<std::uint32_t> bitmapSlots(const Format& format, const PageSet& set)
{
    std::vector<std::uint32_t> slots;
    for (const PageRange& r : set) {
        std::uint32_t last = std::min<std::uint32_t>(r.last, format.referencePointers() * format.bitmapPagePages() - 1);
        for (std::uint32_t k = r.first / format.bitmapPagePages(); k <= last / format.bitmapPagePages(); ++k)
            if (slots.empty() || slots.back() < k)
                slots.push_back(k);
    }
    return slots;
}

std::string encodeGlobalMapPage(const Format& f, std::uint32_t end, std::vector<std::string>* bitmaps)
{
    // Bits of the global map mean "free".
    DataPageBuilder page(f, 1);
    if (end <= f.inlineMapPages()) {
        PageSet unused;
        if (end < f.inlineMapPages())
            unused.push_back({end, f.inlineMapPages() - 1});
        page.add(encodeInlineMap(f, unused, 0));
    } else {
        // Bitmap pages for the whole file, themselves included.
        std::uint32_t slots = 1;
        while (slots * f.bitmapPagePages() < end + slots)
            ++slots;
        std::vector<std::uint32_t> pages(f.referencePointers(), 0);
        for (std::uint32_t k = 0; k < slots; ++k)
            pages[k] = end + k;
        const PageSet unused{{end + slots, 0xFFFFFFFFu}};
        for (std::uint32_t k = 0; k < slots; ++k)
            bitmaps->push_back(encodeBitmapPage(f, k, unused));
        page.add(encodeReferenceMap(f, pages));
    }
    page.add(encodeInlineMap(f, {})); // present in every file, purpose unknown
    return page.finish();
}

// ---- Table definitions -------------------------------------------------------------

namespace
{

void putName(const Format& format, std::string* dst, std::string_view utf8)
{
    std::string bytes;
    bool ok = encodeText(format, utf8, &bytes);
    assert(ok && "names are checked before they reach the encoder");
    (void)ok;
    if (format.isJet4())
        putU16(dst, static_cast<std::uint32_t>(bytes.size()));
    else
        putU8(dst, static_cast<std::uint32_t>(bytes.size()));
    dst->append(bytes);
}

void putColumn(const Format& format, std::string* dst, const ColumnDef& c)
{
    putU8(dst, c.type);
    if (format.isJet4())
        putU32(dst, 0);
    putU16(dst, c.number);
    putU16(dst, c.varIndex);
    putU16(dst, c.userNumbering ? c.number : 0);
    if (format.isJet4() && c.type == kNumeric) {
        putU8(dst, c.precision);
        putU8(dst, c.scale);
        putU16(dst, 0);
        putU8(dst, c.flags);
        putU8(dst, c.extraFlags);
        putU32(dst, 0);
    } else if (format.isJet4()) {
        putU16(dst, kSortGeneral); // written for every column, as Jet does
        putU16(dst, 0);            // sort order version 0
        putU8(dst, c.flags);
        putU8(dst, c.extraFlags);
        putU32(dst, 0);
    } else {
        putU16(dst, 1);
        putU16(dst, kSortGeneral);
        putU16(dst, kCodePage1252);
        putU8(dst, c.flags);
    }
    putU16(dst, c.fixedOffset);
    putU16(dst, c.type == kBoolean ? 1 : c.size);
}

} // namespace

namespace
{

// The definition stream, header included; its length field is filled in
// from what was actually written.
std::string tableDefinitionStream(const Format& format, const TableDef& def)
{
    const bool jet4 = format.isJet4();
    std::uint32_t varCount = 0;
    for (const ColumnDef& c : def.columns)
        varCount += c.isFixed() ? 0 : 1;
    const auto columnCount = static_cast<std::uint32_t>(def.columns.size());

    std::string t;
    t.reserve(format.pageSize);
    putU8(&t, 0x02);
    putU8(&t, 0x01);
    if (jet4)
        putU16(&t, 0); // free space, set by the caller
    else
        t.append("VC");
    putU32(&t, 0); // no continuation page
    putU32(&t, 0); // length, set below
    if (jet4)
        putU32(&t, 0);
    putU32(&t, def.rowCount);
    putU32(&t, def.nextAutoNumber);
    if (jet4) {
        putU8(&t, 1); // as in every engine-made Access 2000 definition
        putZeros(&t, 15);
    }
    putU8(&t, def.system ? 0x53 : 0x4E);
    putU16(&t, columnCount); // max columns ever used
    putU16(&t, varCount);
    putU16(&t, columnCount);
    putU32(&t, static_cast<std::uint32_t>(def.logicalIndexes.size()));
    putU32(&t, static_cast<std::uint32_t>(def.realIndexes.size()));
    putU32(&t, def.ownedMap);
    putU32(&t, def.freeMap);
    for (std::size_t i = 0; i < def.realIndexes.size(); ++i) {
        putU32(&t, 0);
        putU32(&t, def.rowCount);
        if (jet4)
            putU32(&t, 0);
    }
    for (const ColumnDef& c : def.columns)
        putColumn(format, &t, c);
    for (const ColumnDef& c : def.columns)
        putName(format, &t, c.name);
    for (const RealIndexDef& r : def.realIndexes) {
        if (jet4)
            putU32(&t, 0);
        for (std::size_t k = 0; k < 10; ++k) {
            putU16(&t, k < r.columns.size() ? r.columns[k] : 0xFFFF);
            const bool descending = k < r.descending.size() && r.descending[k];
            putU8(&t, k < r.columns.size() && !descending ? 1 : 0);
        }
        putU32(&t, r.usageMap);
        putU32(&t, r.firstPage);
        if (jet4) {
            // Access 2000 and later set 0x80 on every index.
            putU32(&t, 0);
            putU8(&t, r.flags | 0x80u);
            putZeros(&t, 5);
        } else {
            putU8(&t, r.flags);
        }
    }
    for (const LogicalIndexDef& l : def.logicalIndexes) {
        if (jet4)
            putU32(&t, 0);
        putU32(&t, l.number);
        putU32(&t, l.realNumber);
        putU8(&t, 0);           // related table type
        putU32(&t, 0xFFFFFFFF); // no related index
        putU32(&t, 0);          // related table page
        putU8(&t, 0x04);        // cascade flags as Jet writes them
        putU8(&t, 0x04);
        putU8(&t, l.kind);
        if (jet4)
            putU32(&t, 0);
    }
    for (const LogicalIndexDef& l : def.logicalIndexes)
        putName(format, &t, l.name);
    for (const LongValueMapDef& m : def.longValueMaps) {
        putU16(&t, m.column);
        putU32(&t, m.owned);
        putU32(&t, m.free);
    }
    putU16(&t, 0xFFFF);
    setU32(&t[8], static_cast<std::uint32_t>(t.size()));
    return t;
}

} // namespace

std::size_t tableDefinitionSize(const Format& format, const TableDef& def)
{
    return tableDefinitionStream(format, def).size();
}

std::string encodeTableDefinition(const Format& format, const TableDef& def)
{
    std::string t = tableDefinitionStream(format, def);
    assert(t.size() <= format.pageSize);
    if (format.isJet4())
        setU16(&t[2], static_cast<std::uint32_t>(format.pageSize - t.size() - 8));
    t.resize(format.pageSize, '\0');
    return t;
}

// ---- Index leaves -------------------------------------------------------------------

void appendLongKey(std::string* entry, std::uint32_t value)
{
    putU8(entry, 0x7F); // ascending, not null
    putU32BE(entry, value ^ 0x80000000u);
}

bool appendTextKey(const Format& format, std::string* entry, std::string_view ascii)
{
    // Jet 3 "General" order: one code per character, letters ignore case,
    // then 0x00.
    static constexpr unsigned char kJet3[95] = {
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20, // ' '../
        0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,                                     // 0..9
        0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27,                                                       // :..@
        0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F,                   // A..M
        0x70, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E,                   // N..Z
        0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D,                                                             // [..`
        0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F,                   // a..m
        0x70, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E,                   // n..z
        0x2E, 0x2F, 0x30, 0x31,                                                                         // {..~
    };
    // Jet 4 "General (legacy)" order: codes, then END_TEXT 0x01 and 0x00.
    // ^ _ ` { | } ~ take two bytes (0x2B and the second byte listed here);
    // ' and - are "unprintable" and need a trailing code section we do not
    // write, so they are refused (0).
    static constexpr unsigned char kJet4[95] = {
        0x07, 0x09, 0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x00, 0x14, 0x16, 0x18, 0x2C, 0x1A, 0x00, 0x1C, 0x1E, // ' '../
        0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42, 0x44, 0x46, 0x48,                                     // 0..9
        0x20, 0x22, 0x2E, 0x30, 0x32, 0x24, 0x26,                                                       // :..@
        0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,                   // A..M
        0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78,                   // N..Z
        0x27, 0x29, 0x2A, 0x02, 0x03, 0x07,                                                             // [..`
        0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,                   // a..m
        0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78,                   // n..z
        0x09, 0x0B, 0x0D, 0x0F,                                                                         // {..~
    };
    putU8(entry, 0x7F);
    if (format.isJet4()) {
        while (!ascii.empty() && ascii.back() == ' ') // trailing blanks do not count
            ascii.remove_suffix(1);
    }
    for (char ch : ascii) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E)
            return false;
        if (!format.isJet4()) {
            putU8(entry, kJet3[c - 0x20]);
            continue;
        }
        if (kJet4[c - 0x20] == 0)
            return false;
        if (c == '^' || c == '_' || c == '`' || c >= '{')
            putU8(entry, 0x2B);
        putU8(entry, kJet4[c - 0x20]);
    }
    if (format.isJet4())
        putU8(entry, 0x01);
    putU8(entry, 0x00);
    return true;
}

void appendIndexRowPointer(std::string* entry, std::uint32_t page, std::uint32_t row)
{
    putU24BE(entry, page);
    putU8(entry, row);
}

std::size_t indexLeafCapacity(const Format& format)
{
    return format.pageSize - format.indexEntriesOffset;
}

std::string encodeIndexLeaf(const Format& format, std::uint32_t tdefPage, std::vector<std::string> entries)
{
    std::sort(entries.begin(), entries.end());
    std::string page(format.pageSize, '\0');
    page[0] = 0x04;
    page[1] = 0x01;
    setU32(&page[4], tdefPage);
    // prev, next and tail leaf stay 0: a single leaf is the whole index.
    std::size_t at = format.indexEntriesOffset;
    for (const std::string& e : entries) {
        assert(at + e.size() <= format.pageSize);
        std::copy(e.begin(), e.end(), page.begin() + static_cast<std::ptrdiff_t>(at));
        at += e.size();
        std::size_t bit = at - format.indexEntriesOffset; // marks the entry's end
        char& b = page[format.indexBitmapOffset + bit / 8];
        b = static_cast<char>(b | (1 << (bit % 8)));
    }
    setU16(&page[2], static_cast<std::uint32_t>(format.pageSize - at));
    return page;
}

// ---- Properties -------------------------------------------------------------------

std::string encodeZeroLengthProperties(const Format& format, const std::vector<std::string>& columnNames)
{
    auto putPropName = [&](std::string* dst, std::string_view utf8) {
        std::string bytes;
        encodeText(format, utf8, &bytes);
        putU16(dst, static_cast<std::uint32_t>(bytes.size()));
        dst->append(bytes);
    };
    std::string blob(format.isJet4() ? std::string_view("MR2\0", 4) : std::string_view("KKD\0", 4));
    std::string names;
    putPropName(&names, "AllowZeroLength");
    putU32(&blob, static_cast<std::uint32_t>(6 + names.size()));
    putU16(&blob, 0x80); // name list
    blob += names;
    for (const std::string& column : columnNames) {
        std::string header;
        putPropName(&header, column);
        std::string chunk;
        putU32(&chunk, static_cast<std::uint32_t>(4 + header.size()));
        chunk += header;
        putU16(&chunk, 9); // entry length
        putU8(&chunk, 1);  // DDL property
        putU8(&chunk, kBoolean);
        putU16(&chunk, 0); // name 0: AllowZeroLength
        putU16(&chunk, 1);
        putU8(&chunk, 1); // True
        putU32(&blob, static_cast<std::uint32_t>(6 + chunk.size()));
        putU16(&blob, 0x01); // one column's properties
        blob += chunk;
    }
    return blob;
}

} // namespace quorlix::jet
