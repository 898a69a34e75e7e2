#pragma once
// Shared pieces of the words tests: the recorders and temporary folder of
// tests/support, word tables from rows, a dictionary source from memory and a
// recorded run context.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Random.h"
#include "platform/ResultList.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingSurface.h"
#include "support/TempFolder.h"
#include "words/WordRuns.h"
#include "words/WordTables.h"

namespace quorlix::test {

using testing::CallLog;
using testing::RecordingMessageBoxes;
using testing::RecordingSurface;
using testing::TempFolder;

inline WordTables makeTables(const std::vector<std::pair<char, std::vector<std::string>>>& rows)
{
    WordTables t;
    for (const auto& [letter, words] : rows)
        for (const auto& w : words)
            t.table(letter).push_back(w);
    return t;
}

class MemoryWordSource : public WordSource {
public:
    Status load(const std::string& folder, const std::string& name, WordTables* tables) override
    {
        loads.push_back(folder + name);
        if (failure.isOk())
            *tables = words;
        return failure;
    }
    std::string failureMessage(const Status& s, const std::string& fullPath, bool single) const override
    {
        return "failed:" + fullPath + ":" + s.message() + (single ? ":single" : ":multi");
    }
    WordTables words;
    Status failure;
    std::vector<std::string> loads;
};

// Everything a run needs, recorded into one call log.
struct WordRunFixture {
    explicit WordRunFixture(std::vector<double> draws) : random(std::move(draws)) { dir.write(settings.dictionary, "x"); }
    WordRunContext context()
    {
        return WordRunContext{settings, checks, surface, boxes, list, yield, state, random, source, dir.folder()};
    }
    // The call log from the first entry equal to call onwards, that entry excluded.
    std::vector<std::string> after(const std::string& call) const
    {
        auto at = std::find(log.begin(), log.end(), call);
        return at == log.end() ? std::vector<std::string>{"<missing>"} : std::vector<std::string>(at + 1, log.end());
    }

    TempFolder dir;
    CallLog log;
    RecordingSurface surface{&log};
    RecordingMessageBoxes boxes{&log};
    ResultList list;
    Yielder yield{surface, std::chrono::milliseconds(0)};
    RunState state;
    ScriptedRandom random;
    MemoryWordSource source;
    WordSettings settings;
    CheckOptions checks;
};

} // namespace quorlix::test
