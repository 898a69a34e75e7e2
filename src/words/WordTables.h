#pragma once
// The words of one dictionary file held in memory: 26 letter tables "A".."Z",
// each in the record order the database returns. The dictionary reader fills
// it once per run; the generators, the dictionary check and the search work
// only on this copy.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace quorlix {

struct WordTables {
    static constexpr int kTables = 26;
    std::array<std::vector<std::string>, kTables> tables; // index 0 = "A"

    std::vector<std::string>& table(char letter) { return tables[static_cast<std::size_t>(indexOf(letter))]; }
    const std::vector<std::string>& table(char letter) const
    {
        return tables[static_cast<std::size_t>(indexOf(letter))];
    }
    std::size_t totalWords() const
    {
        std::size_t total = 0;
        for (const auto& t : tables)
            total += t.size();
        return total;
    }

    // 0..25 for "A".."Z" and "a".."z", -1 for anything else.
    static int indexOf(char letter)
    {
        if (letter >= 'A' && letter <= 'Z')
            return letter - 'A';
        if (letter >= 'a' && letter <= 'z')
            return letter - 'a';
        return -1;
    }
};

} // namespace quorlix
