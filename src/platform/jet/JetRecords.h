#pragma once
// Reading records and long values straight from a database's pages, where
// the copy needs them as stored rather than as libmdb converts them.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"

namespace quorlix::jet
{

// The bytes of row `row` of a data page; false when the page has no such live row.
bool rowOnPage(const Format& format, std::string_view page, std::uint32_t row, std::string_view* bytes);

// The data of a Memo or OLE value whose field (12-byte header, then any
// inline data) a record holds; false when its pages cannot be read.
bool readLongValue(const Format& format, PageSource& pages, std::string_view field, std::string* data);

} // namespace quorlix::jet
