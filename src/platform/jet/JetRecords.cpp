#include "platform/jet/JetRecords.h"

#include <algorithm>
#include <optional>

#include "platform/jet/JetEncode.h"

namespace quorlix::jet
{

namespace
{
constexpr std::uint8_t kLongValueInline = 0x80;
constexpr std::uint8_t kLongValueSingle = 0x40;
constexpr std::uint32_t kSlotOffsetMask = 0x1FFF;
constexpr std::uint32_t kSlotElsewhere = 0x4000; // deleted, or a pointer to the record's new place
constexpr std::uint8_t kDataPage = 0x01;
constexpr std::uint8_t kDefinitionPage = 0x02;
constexpr std::uint8_t kBitmapPage = 0x05;
constexpr std::uint8_t kInlineMap = 0x00;
constexpr std::uint8_t kReferenceMap = 0x01;
constexpr std::uint32_t kGlobalMapPointer = 1 << 8; // page 1, row 0
constexpr std::uint32_t kGlobalMapOwner = 1;

std::uint32_t storedSlots(const Format& f, std::string_view page)
{
    return getU16(page.data() + f.dataRowCountOffset);
}

std::uint32_t slotAt(const Format& f, std::string_view page, std::uint32_t row)
{
    return getU16(page.data() + f.dataHeaderSize() + 2 * row);
}

} // namespace

bool rowOnPage(const Format& f, std::string_view page, std::uint32_t row, std::string_view* bytes)
{
    if (page.size() != f.pageSize || page[0] != 0x01)
        return false;
    const std::uint32_t rows = getU16(page.data() + f.dataRowCountOffset);
    if (row >= rows || f.dataHeaderSize() + 2 * rows > f.pageSize)
        return false;
    const std::uint32_t slot = getU16(page.data() + f.dataHeaderSize() + 2 * row);
    if (slot & 0xC000)
        return false;
    const std::uint32_t start = slot & kSlotOffsetMask;
    std::uint32_t end = f.pageSize;
    if (row > 0)
        end = getU16(page.data() + f.dataHeaderSize() + 2 * (row - 1)) & kSlotOffsetMask;
    if (start >= end || end > f.pageSize || start < f.dataHeaderSize() + 2 * rows)
        return false;
    *bytes = page.substr(start, end - start);
    return true;
}

bool readLongValue(const Format& f, PageSource& source, std::string_view header, std::string* data)
{
    if (header.size() < 12)
        return false;
    const std::uint32_t length = getU32(header.data()) & 0x3FFFFFFF;
    const auto kind = static_cast<std::uint8_t>(header[3]);
    data->clear();
    if (kind & kLongValueInline) {
        if (12 + length > header.size())
            return false;
        data->assign(header.substr(12, length));
        return true;
    }
    std::uint32_t pointer = getU32(header.data() + 4);
    std::string page;
    std::string_view row;
    for (std::uint32_t pieces = 0; pointer != 0; ++pieces) {
        if (pieces > source.pageCount() || !source.read(pointer >> 8, &page) ||
            getU32(page.data() + 4) != kLongValueOwner || !rowOnPage(f, page, pointer & 0xFF, &row))
            return false;
        if (kind & kLongValueSingle) {
            data->assign(row.substr(0, std::min<std::size_t>(row.size(), length)));
            break;
        }
        if (row.size() < 4)
            return false;
        pointer = getU32(row.data());
        data->append(row.substr(4));
        if (data->size() >= length)
            break;
    }
    if (data->size() < length)
        return false;
    data->resize(length);
    return true;
}

std::uint32_t slotCount(const Format& f, std::string_view page)
{
    return std::min(storedSlots(f, page), (f.pageSize - f.dataHeaderSize()) / 2);
}

bool isRecordSlot(const Format& f, std::string_view page, std::uint32_t row)
{
    return row < slotCount(f, page) && !(slotAt(f, page, row) & kSlotElsewhere);
}

bool recordOnPage(const Format& f, std::string_view page, std::uint32_t row, std::string_view* bytes)
{
    const std::uint32_t slots = slotCount(f, page);
    if (row >= slots)
        return false;
    const std::uint32_t start = slotAt(f, page, row) & kSlotOffsetMask;
    const std::uint32_t end = row == 0 ? f.pageSize : slotAt(f, page, row - 1) & kSlotOffsetMask;
    if (start < f.dataHeaderSize() + 2 * slots || start >= end || end > f.pageSize)
        return false;
    *bytes = page.substr(start, end - start);
    return true;
}

RecordWalk::RecordWalk(const Format& f, PageSource& source, std::vector<std::uint32_t> pageList)
    : m_format(f), m_source(source), m_pages(std::move(pageList))
{
}

bool RecordWalk::next()
{
    while (!m_failed && m_index < m_pages.size()) {
        if (!m_started) {
            m_started = true;
            m_row = 0;
            if (!m_source.read(m_pages[m_index], &m_page)) {
                m_failed = true;
                return false;
            }
        } else {
            ++m_row;
        }
        for (; m_row < slotCount(m_format, m_page); ++m_row)
            if (isRecordSlot(m_format, m_page, m_row))
                return true;
        m_started = false;
        ++m_index;
    }
    return false;
}

bool decodeUsageMap(const Format& f, PageSource& source, std::string_view row, std::vector<std::uint32_t>* listed)
{
    listed->clear();
    if (row.size() < 5)
        return false;
    const auto addBits = [&](std::string_view bitmap, std::uint64_t first) {
        for (std::size_t i = 0; i < bitmap.size() * 8; ++i)
            if ((static_cast<std::uint8_t>(bitmap[i / 8]) >> (i % 8) & 1) && first + i <= 0xFFFFFFFFu)
                listed->push_back(static_cast<std::uint32_t>(first + i));
    };
    switch (static_cast<std::uint8_t>(row[0])) {
    case kInlineMap:
        addBits(row.substr(5), getU32(row.data() + 1));
        return true;
    case kReferenceMap: {
        std::string page;
        for (std::uint32_t k = 0; 1 + 4 * (k + 1) <= row.size(); ++k) {
            const std::uint32_t bitmapPage = getU32(row.data() + 1 + 4 * k);
            if (bitmapPage == 0)
                continue;
            if (!source.read(bitmapPage, &page) || static_cast<std::uint8_t>(page[0]) != kBitmapPage)
                return false;
            addBits(std::string_view(page).substr(4), std::uint64_t{k} * f.bitmapPagePages());
        }
        return true;
    }
    default:
        return false;
    }
}

bool readUsageMap(const Format& f, PageSource& source, std::uint32_t pointer, std::vector<std::uint32_t>* listed,
                  std::uint32_t owner)
{
    listed->clear();
    std::string page;
    std::string_view row;
    if (!source.read(pointer >> 8, &page) || static_cast<std::uint8_t>(page[0]) != kDataPage ||
        getU32(page.data() + 4) != owner || !rowOnPage(f, page, pointer & 0xFF, &row))
        return false;
    return decodeUsageMap(f, source, row, listed);
}

bool readTablePageMap(const Format& f, PageSource& source, std::uint32_t tdefPage, std::vector<std::uint32_t>* listed)
{
    listed->clear();
    const std::size_t mapAt = f.isJet4() ? 55 : 35;
    std::string page;
    if (!source.read(tdefPage, &page) || static_cast<std::uint8_t>(page[0]) != kDefinitionPage)
        return false;
    return readUsageMap(f, source, getU32(page.data() + mapAt), listed);
}

FreePageMap::FreePageMap(const Format& f, PageSource& source)
{
    if (!readUsageMap(f, source, kGlobalMapPointer, &m_free, kGlobalMapOwner))
        m_free.clear();
}

bool FreePageMap::isFree(std::uint32_t page) const
{
    return std::binary_search(m_free.begin(), m_free.end(), page);
}

ListedPages sortListedPages(const Format& f, PageSource& source, std::uint32_t tdefPage,
                            const std::vector<std::uint32_t>& listed)
{
    ListedPages out;
    std::optional<FreePageMap> free; // read only when a listed page is not the table's
    std::string page;
    for (const std::uint32_t p : listed) {
        // More slots than a page may hold is damage to the page itself.
        if (source.read(p, &page) && static_cast<std::uint8_t>(page[0]) == kDataPage &&
            getU32(page.data() + 4) == tdefPage && storedSlots(f, page) <= kMaxRowsPerPage) {
            out.records.push_back(p);
            for (std::uint32_t r = 0; r < slotCount(f, page); ++r)
                out.recordSlots += isRecordSlot(f, page, r);
            continue;
        }
        if (!free)
            free.emplace(f, source);
        if (!free->isFree(p))
            out.damaged.push_back(p);
    }
    return out;
}

} // namespace quorlix::jet
