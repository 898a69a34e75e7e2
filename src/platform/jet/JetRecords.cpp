#include "platform/jet/JetRecords.h"

#include <algorithm>

#include "platform/jet/JetEncode.h"

namespace quorlix::jet
{

namespace
{
constexpr std::uint8_t kLongValueInline = 0x80;
constexpr std::uint8_t kLongValueSingle = 0x40;
constexpr std::uint32_t kSlotOffsetMask = 0x1FFF;

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

} // namespace quorlix::jet
