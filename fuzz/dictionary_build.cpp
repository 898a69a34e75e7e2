// Building a dictionary from any word list: the words kept all qualify and
// are unique without regard to case, and a dictionary file written from them
// reads back with exactly those words in each letter's table.

#include <algorithm>
#include <set>
#include <vector>

#include "FuzzInput.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryFile.h"

using namespace quorlix;

namespace {

std::string upperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string list = fuzz::writeScratch("words.txt", fuzz::text(data, size));
    DictionaryBuildReport report;
    Status status;
    const std::vector<std::string> words = dictionaryWordsFromLists({list}, &report, &status);
    if (report.wordsKept != words.size())
        fuzz::fail("the report's count differs from the words kept");
    std::set<std::string> seen;
    for (const std::string& word : words) {
        if (!qualifiesAsDictionaryWord(word))
            fuzz::fail("a word kept does not qualify");
        if (!seen.insert(upperAscii(word)).second)
            fuzz::fail("a word kept twice");
    }

    const std::string out = fuzz::scratchPath("words.dct");
    std::error_code ignored;
    std::filesystem::remove(out, ignored);
    if (!buildDictionary(list, out, &status)) {
        // A dictionary is recognised by its first word of table A: without one
        // the build is refused.
        const bool hasA = std::any_of(words.begin(), words.end(),
                                      [](const std::string& w) { return upperAscii(w.substr(0, 1)) == "A"; });
        if (hasA)
            fuzz::fail("words to keep, yet no dictionary");
        return 0;
    }
    Status error;
    auto dictionary = DictionaryFile::openPath(out, &error);
    if (!dictionary)
        fuzz::fail("a built dictionary does not open");
    std::vector<std::string> readBack;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::vector<std::string> tableWords;
        if (!dictionary->readWords(letter, &tableWords))
            fuzz::fail("a table of a built dictionary does not read");
        readBack.insert(readBack.end(), tableWords.begin(), tableWords.end());
    }
    std::vector<std::string> expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        for (const std::string& word : words)
            if (upperAscii(word.substr(0, 1)) == std::string(1, letter))
                expected.push_back(word);
    if (readBack != expected)
        fuzz::fail("a built dictionary reads back other words");
    return 0;
}
