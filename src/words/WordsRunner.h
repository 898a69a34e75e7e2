#pragma once
// Hands the engine's Random Words dispatch to the two word runs.

#include <string>

#include "engine/RunRequest.h"
#include "words/DictionaryFolder.h"
#include "words/WordRuns.h"

namespace quorlix {

class WordsRunner final : public WordsGenerators {
public:
    // source and the dictionary folders serve every run.
    WordsRunner(WordSource& source, DictionaryPlaces places) : m_source(source), m_places(std::move(places)) {}
    void passwordGenWords(const RunRequest& request, RunEnvironment& env) override
    {
        WordRunContext run = context(request, env);
        m_lastEnd = PasswordGenWords(run);
    }
    void saveMultiFileWords(const RunRequest& request, RunEnvironment& env) override
    {
        WordRunContext run = context(request, env);
        m_lastEnd = SaveMultiFileWords(run, request.multiFile);
    }
    WordRunEnd lastEnd() const { return m_lastEnd; }

private:
    WordRunContext context(const RunRequest& request, RunEnvironment& env)
    {
        return WordRunContext{request.words, request.checks, env.surface,
                              env.boxes,     env.list,       env.yielder,
                              env.state,     env.random,     m_source,
                              m_places.folderOf(request.words.dictionary), request.handOut};
    }
    WordSource& m_source;
    DictionaryPlaces m_places;
    WordRunEnd m_lastEnd = WordRunEnd::Completed;
};

} // namespace quorlix
