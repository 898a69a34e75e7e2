#include "words/DictionaryFile.h"
#include "words/DictionaryWordSource.h"

namespace quorlix {

Status DictionaryWordSource::load(const std::string& programFolder, const std::string& fileName, WordTables* tables)
{
    Status error;
    auto file = DictionaryFile::openDictionary(programFolder, fileName, &error);
    if (!file)
        return error.isOk() ? Status::ioError("The dictionary could not be opened.") : error;
    if (Status s = file->verifyDictionary(); !s)
        return s;
    for (int t = 0; t < WordTables::kTables; ++t) {
        auto& words = tables->tables[static_cast<std::size_t>(t)];
        words.clear();
        if (Status s = file->readWords(static_cast<char>('A' + t), &words); !s)
            return s;
    }
    return Status::ok();
}

std::string DictionaryWordSource::failureMessage(const Status& failure, const std::string& fullPath,
                                                 bool singleWindowRun) const
{
    return dictionaryFailureMessage(failure, fullPath, singleWindowRun);
}

} // namespace quorlix
