#pragma once
// Option state, recording window and run control for the engine tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/RunControl.h"
#include "support/RecordingMessageBoxes.h"
#include "support/RecordingSurface.h"
#include "support/SeededRandom.h"

namespace quorlix::testing {

// The r that makes draw(width, lowest) give value.
inline double pick(int value, int width, int lowest) { return (value - lowest + 0.5) / width; }

// The calls joined by "|", so an expected order reads as one text.
inline std::string joined(const CallLog& calls, std::size_t from = 0)
{
    std::string out;
    for (std::size_t i = from; i < calls.size(); ++i)
        out += (i > from ? "|" : "") + calls[i];
    return out;
}

struct EngineFixture : ::testing::Test {
    GenerationMethod method = GenerationMethod::RandomCharacters;
    RunValues values;
    CheckOptions checks;
    CharacterPool pool = CharacterPool::defaultPool();
    InsertSettings inserts;
    PositionRules rules;
    MultiFileSettings multiFile;
    std::string dictionaryFile = "wordlist_english_abridged.dct";
    WordSettings words;
    PronounceableSettings pronounceable;

    CallLog log;
    RecordingSurface surface{&log};
    RecordingMessageBoxes boxes{&log};
    ResultList list;
    // Slice 0: every yield runs processEvents, so a test can act at an exact yield.
    Yielder yielder{surface, std::chrono::milliseconds(0)};
    // The program's slices instead, for runs of millions of draws.
    Yielder slicedYielder{surface};
    bool sliced = false;
    RunState state;
    std::unique_ptr<RandomSource> random = std::make_unique<SeededRandom>();

    RunRequest request()
    {
        return {method, values, checks, pool, inserts, rules, multiFile, dictionaryFile, words, pronounceable};
    }
    RunEnvironment environment() { return {surface, boxes, list, sliced ? slicedYielder : yielder, state, *random}; }

    void script(std::vector<double> draws) { random = std::make_unique<ScriptedRandom>(std::move(draws)); }

    // Executes once with the current state.
    void execute(DictionaryCheck* dictionary = nullptr, WordsGenerators* wordsGen = nullptr,
                 const MultiFileHooks* hooks = nullptr)
    {
        RunControl control(request(), environment());
        control.setDictionaryCheck(dictionary);
        control.setWordsGenerators(wordsGen);
        if (hooks) {
            control.setListFileOpener(hooks->open);
            control.setTextFileSorter(hooks->sort);
        }
        control.execute();
    }

    std::vector<std::string> rows() const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < list.count(); ++i)
            out.emplace_back(list.rowAdded(i));
        return out;
    }

    // The calls after the first one equal to call, joined by "|".
    std::string callsAfter(const std::string& call) const
    {
        const auto at = std::find(log.begin(), log.end(), call);
        return at == log.end() ? "<not called: " + call + ">"
                               : joined(log, static_cast<std::size_t>(at - log.begin()) + 1);
    }

    // Presses Stop (answered OK) from the given yield on: a run that would
    // never end then ends stopped, and its test fails instead of hanging.
    void fuse(std::size_t yields = 30'000'000)
    {
        surface.onProcessEvents = [this, yields] {
            if (surface.processEventsCount >= yields)
                state.stopRequested = 1;
        };
    }

    void onlyAvailable(std::string_view chars)
    {
        pool = CharacterPool();
        for (const char c : chars)
            pool.setAvailable(static_cast<unsigned char>(c), true);
        pool.recount();
    }
};

} // namespace quorlix::testing
