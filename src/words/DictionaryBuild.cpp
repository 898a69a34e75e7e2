#include "words/DictionaryBuild.h"

#include "platform/jet/JetWriter.h"

#include <algorithm>
#include <fstream>
#include <unordered_set>

#include "words/DictionaryFile.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySources.h"
#include "words/WordTables.h"
#include "words/WordText.h"

namespace quorlix {

namespace {

// Code points of UTF-8 text; false for malformed text.
bool decodeAll(const std::string& text, std::vector<std::uint32_t>* out)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t size = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (size == 0 || i + size > text.size())
            return false;
        std::uint32_t cp = size == 1 ? b : b & (0x7Fu >> size);
        for (std::size_t k = 1; k < size; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        out->push_back(cp);
        i += size;
    }
    return true;
}

bool isLetter(std::uint32_t cp)
{
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z'))
        return true;
    // Latin-1 and Latin Extended-A letters (accents of the European lists).
    if (cp >= 0xC0 && cp <= 0x24F)
        return cp != 0xD7 && cp != 0xF7;
    return false;
}

} // namespace

bool qualifiesAsDictionaryWord(const std::string& word)
{
    std::vector<std::uint32_t> cps;
    // At most the 50 characters of the Word field (Welsh place names and the like are left out).
    if (!decodeAll(word, &cps) || cps.size() < 4 || cps.size() > jet::kDefaultTextSize)
        return false;
    if (WordTables::indexOf(word[0]) < 0)
        return false;
    for (std::uint32_t cp : cps)
        if (!isLetter(cp))
            return false;
    return true;
}

std::vector<std::string> dictionaryWordsFromLists(const std::vector<std::string>& listPaths,
                                                  DictionaryBuildReport* report, Status* status)
{
    std::vector<std::string> words;
    std::unordered_set<std::string> seen;
    DictionaryBuildReport counts;
    for (const std::string& path : listPaths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            *status = Status::notFound("Cannot read the word list " + path + ".");
            return {};
        }
        std::string line;
        while (std::getline(in, line)) {
            ++counts.linesRead;
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
            if (const std::size_t tab = line.find('\t');
                tab != std::string::npos && tab > 0 && line.find_first_not_of("123456", 0) == tab)
                line.erase(0, tab + 1);
            if (!qualifiesAsDictionaryWord(line))
                continue;
            if (seen.insert(lowerWord(line)).second)
                words.push_back(line);
        }
        if (in.bad()) {
            *status = Status::ioError("Reading the word list " + path + " failed.");
            return {};
        }
    }
    counts.wordsKept = words.size();
    if (report)
        *report = counts;
    *status = Status::ok();
    return words;
}

bool buildDictionary(const std::vector<std::string>& listPaths, const std::string& outPath, Status* status,
                     DictionaryBuildReport* report)
{
    Status local;
    Status& s = status ? *status : local;
    const std::vector<std::string> words = dictionaryWordsFromLists(listPaths, report, &s);
    if (!s)
        return false;
    if (words.empty()) {
        s = Status::invalidArgument("The word lists hold no word of four or more letters.");
        return false;
    }
    if (std::none_of(words.begin(), words.end(), [](const std::string& w) { return WordTables::indexOf(w[0]) == 0; })) {
        s = Status::invalidArgument("The word lists hold no word beginning with A. A dictionary needs one: the program "
                                    "recognises a dictionary by the first word of its table A.");
        return false;
    }
    s = createDictionary(outPath, words);
    return s.isOk();
}

bool buildDictionary(const std::string& listPath, const std::string& outPath, Status* status,
                     DictionaryBuildReport* report)
{
    return buildDictionary(std::vector<std::string>{listPath}, outPath, status, report);
}

std::vector<std::string> shippedDictionaryNames()
{
    return {"wordlist_english_all.dct", "wordlist_english_abridged.dct", "wordlist_french.dct",
            "wordlist_german.dct",      "wordlist_spanish.dct",          "wordlist_italian.dct",
            "wordlist_english_eff.dct"};
}

bool buildShippedDictionaries(const std::string& outFolder, Status* status, const std::string& dictFolder)
{
    Status local;
    Status& s = status ? *status : local;
    for (const std::string& name : shippedDictionaryNames()) {
        const WordListDictionary* dict = wordListDictionary(name);
        const std::vector<std::string> lists = dict ? presentLists(*dict, dictFolder) : std::vector<std::string>{};
        if (lists.empty()) {
            s = Status::notFound("No word list found for " + name + (dict ? " (package " + dict->package + ")" : "") +
                                 ".");
            return false;
        }
        if (!buildDictionary(lists, outFolder + name, &s))
            return false;
    }
    return true;
}

} // namespace quorlix
