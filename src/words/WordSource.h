#pragma once
// Where the Random Words runs get their words: one dictionary file read once
// per run into memory, per letter table in record order.

#include <string>

#include "platform/Status.h"
#include "words/WordTables.h"

namespace quorlix {

class WordSource {
public:
    virtual ~WordSource() = default;
    // Opens programFolder + fileName, verifies it as a dictionary and reads all
    // 26 tables. Failures carry the codes classifyDictionaryFailure() knows
    // (InvalidFileName, NotFound, anything else).
    virtual Status load(const std::string& programFolder, const std::string& fileName, WordTables* tables) = 0;
    // The critical message for a failed load; fullPath is programFolder +
    // fileName. Only single-window runs tell "no file name" apart.
    virtual std::string failureMessage(const Status& failure, const std::string& fullPath,
                                       bool singleWindowRun) const = 0;
};

} // namespace quorlix
