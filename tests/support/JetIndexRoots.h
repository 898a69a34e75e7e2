#pragma once
// The root page of every real index of a table, read from its definition
// (over as many pages as it takes), for tests that walk a table's indexes.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/JetEncode.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetIndex.h"

namespace quorlix::testing
{

inline std::vector<std::uint32_t> indexRoots(const jet::Format& f, jet::PageSource& pages, std::uint32_t tdefPage)
{
    std::string def, page;
    for (std::uint32_t next = tdefPage; next != 0 && pages.read(next, &page);) {
        def += def.empty() ? page : page.substr(8);
        next = jet::getU32(page.data() + 4);
    }
    // The real indexes follow the index row counts, the columns and their names.
    const bool j4 = f.isJet4();
    const std::uint32_t columns = jet::getU16(def.data() + (j4 ? 45 : 25));
    const std::uint32_t real = jet::getU32(def.data() + (j4 ? 51 : 31));
    std::size_t at = (j4 ? 63 : 43) + (j4 ? 12 : 8) * real + (j4 ? 25 : 18) * columns;
    for (std::uint32_t c = 0; c < columns; ++c)
        at += j4 ? 2 + jet::getU16(def.data() + at) : 1 + jet::getU8(def.data() + at);
    std::vector<std::uint32_t> roots;
    for (std::uint32_t r = 0; r < real; ++r, at += j4 ? 52 : 39)
        roots.push_back(jet::getU32(def.data() + at + (j4 ? 38 : 34)));
    return roots;
}

} // namespace quorlix::testing
