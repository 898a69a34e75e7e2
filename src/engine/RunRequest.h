#pragma once
// What a run reads and what it may touch.
//
// RunRequest holds references to the option state where the user sets it, not
// copies: the option windows are modeless and the check boxes stay live while
// a run yields, so a switch changed during a run takes effect at the next
// point where the generator reads it.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/RunState.h"
#include "engine/Yielder.h"
#include "options/CharacterPool.h"
#include "options/PronounceableSettings.h"
#include "options/RunOptions.h"
#include "options/WordSettings.h"
#include "output/HandOut.h"
#include "output/MultiFileSettings.h"
#include "output/RunSurface.h"
#include "platform/Random.h"
#include "platform/ResultList.h"

namespace quorlix
{

struct RunRequest {
    GenerationMethod& method;
    RunValues& values;
    CheckOptions& checks;
    CharacterPool& pool;
    InsertSettings& inserts;
    PositionRules& rules;
    MultiFileSettings& multiFile;
    // Bare file name of the dictionary used by the dictionary check.
    std::string& dictionaryCheckFile;
    WordSettings& words;
    PronounceableSettings& pronounceable;
    // The roster and options when the passwords are handed out; null: plain
    // lists. With a roster the count follows it: one password per person
    // (per file, in a multi-file run).
    const HandOut* handOut = nullptr;
};

// The surroundings of a run. All references must outlive the run.
struct RunEnvironment {
    MainWindowSurface& surface;
    MessageBoxes& boxes;
    ResultList& list;
    Yielder& yielder;
    RunState& state;
    RandomSource& random;
};

// The Random Words generators, supplied by the words library (which sits above
// this one). Each does its own run start and every end of its run; Execute
// only dispatches to it and restores the buttons afterwards.
class WordsGenerators
{
public:
    virtual ~WordsGenerators() = default;
    // PasswordGenWords: into the display.
    virtual void passwordGenWords(const RunRequest& request, RunEnvironment& env) = 0;
    // SaveMultiFileWords: a numbered series of files.
    virtual void saveMultiFileWords(const RunRequest& request, RunEnvironment& env) = 0;
};

} // namespace quorlix
