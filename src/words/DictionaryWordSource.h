#pragma once
// The WordSource of the program: dictionary files read through DictionaryFile.

#include "words/WordSource.h"

namespace quorlix {

// Over DictionaryFile (the Jet reader).
class DictionaryWordSource final : public WordSource {
public:
    Status load(const std::string& programFolder, const std::string& fileName, WordTables* tables) override;
    std::string failureMessage(const Status& failure, const std::string& fullPath,
                               bool singleWindowRun) const override;
};

} // namespace quorlix
