// The dictionary index against a plain search: the input is lines, each a
// word whose first byte picks its table, and the last line is the text asked
// about. Both questions must get the answers a word-by-word comparison gives.

#include <algorithm>
#include <vector>

#include "FuzzInput.h"
#include "words/DictionaryIndex.h"

using namespace quorlix;

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upper(x) == upper(y);
           });
}

bool occursNoCase(std::string_view text, std::string_view word)
{
    if (word.empty())
        return !text.empty();
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (equalNoCase(text.substr(i, word.size()), word))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string_view> lines;
    std::string_view rest = fuzz::text(data, size);
    while (!rest.empty() && lines.size() < 256) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    if (lines.empty())
        return 0;
    const std::string_view text = lines.back();
    lines.pop_back();

    WordTables words;
    for (const std::string_view line : lines) {
        if (line.empty())
            continue;
        const auto table = static_cast<unsigned char>(line[0]) % WordTables::kTables;
        words.tables[table].emplace_back(line.substr(1));
    }
    const DictionaryIndex index(words);
    if (index.wordCount() != words.totalWords())
        fuzz::fail("word count differs");

    std::uint32_t tablesHolding = 0;
    for (int t = 0; t < WordTables::kTables; ++t) {
        const auto& table = words.tables[static_cast<std::size_t>(t)];
        const bool whole = std::any_of(table.begin(), table.end(), [&](const std::string& w) { return equalNoCase(w, text); });
        if (index.containsWord(text, t) != whole)
            fuzz::fail("containsWord differs from a word-by-word comparison");
        if (std::any_of(table.begin(), table.end(), [&](const std::string& w) { return occursNoCase(text, w); }))
            tablesHolding |= DictionaryIndex::tableBit(t);
    }
    // Every single table, all tables, and a mask made of the input's size.
    for (int t = 0; t < WordTables::kTables; ++t) {
        const std::uint32_t mask = DictionaryIndex::tableBit(t);
        if (index.anyWordIn(text, mask) != ((tablesHolding & mask) != 0))
            fuzz::fail("anyWordIn differs from a word-by-word search");
    }
    const std::uint32_t masks[] = {(1u << WordTables::kTables) - 1, static_cast<std::uint32_t>(size * 2654435761u)};
    for (const std::uint32_t mask : masks)
        if (index.anyWordIn(text, mask) != ((tablesHolding & mask) != 0))
            fuzz::fail("anyWordIn differs from a word-by-word search");
    return 0;
}
