// The dictionary readers on any file: opening with the dictionary password,
// verifying, counting the words of every letter and reading them, and walking
// a letter's table as the search window does.

#include "FuzzInput.h"
#include "words/DictionaryFile.h"

using namespace quorlix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::writeScratch("words.dct", fuzz::text(data, size));
    Status error;
    auto dictionary = DictionaryFile::openPath(path, &error);
    if (!dictionary) {
        (void)classifyDictionaryFailure(error);
        (void)dictionaryFailureMessage(error, path, true);
        return 0;
    }
    (void)dictionary->verifyDictionary();
    WordCounts counts;
    const Status counted = dictionary->countWords(&counts);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::vector<std::string> words;
        const Status read = dictionary->readWords(letter, &words);
        const auto index = static_cast<std::size_t>(letter - 'A');
        if (counted && read && words.size() > static_cast<std::size_t>(counts.count[index]))
            fuzz::fail("more words read than counted");
    }
    Status letterError;
    if (auto table = dictionary->openLetter('a', &letterError)) {
        for (int row = 0; row < 2000 && table->next(); ++row)
            (void)table->field(kDictionaryWordField);
    }
    return 0;
}
