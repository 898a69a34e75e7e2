#pragma once
// Execute and the countdown tick: the run control behind the main window's
// "E&xecute" button, its Options menu item and its countdown timer.
//
// One RunControl lives as long as the main window. execute() checks the
// request, prepares the window and dispatches to one of the four generators;
// the surface's timer calls countdownTick() every kCountdownIntervalMs while a
// run has it enabled (only during yields, so on the same thread).

#include <optional>

#include "engine/CharacterRun.h"
#include "engine/DictionaryCheck.h"
#include "engine/RunRequest.h"

namespace quorlix
{

class RunControl
{
public:
    // request and env hold references; what they name must outlive this object.
    // The multi-file writers and the text sort default to openListFile and SortTextFile.
    RunControl(const RunRequest& request, const RunEnvironment& env);

    // Null until the words library supplies them: a Random Words run then does nothing.
    void setWordsGenerators(WordsGenerators* generators) { m_words = generators; }
    // Null: the dictionary check passes every password.
    void setDictionaryCheck(DictionaryCheck* check) { m_dictionary = check; }
    void setListFileOpener(ListFileOpener open) { m_hooks.open = std::move(open); }
    void setTextFileSorter(TextFileSorter sort) { m_hooks.sort = std::move(sort); }

    // Which generator a prepared run goes to.
    enum class Dispatch {
        Characters,
        MultiFileCharacters,
        Words,
        MultiFileWords,
        Pronounceable,
        MultiFilePronounceable
    };

    // The whole Execute command: prepare(), then generate(). Refusals show
    // their message and return.
    void execute();
    // Execute up to the generator: the readouts, the multi-file question and
    // the checks of a Random Characters request (which may deactivate pool
    // characters and prune separator marks). nullopt when cancelled or refused.
    // Short; the desktop program runs it on the window's thread.
    std::optional<Dispatch> prepare();
    // The run start, the generator and the restore after it: the long part,
    // which the desktop program runs on a worker over a copy of the options.
    void generate(Dispatch dispatch);
    // One tick of tmrCountDown: the estimate and the progress bar.
    void countdownTick();

    const RunRequest& request() const { return m_request; }
    RunEnvironment& environment() { return m_env; }

private:
    // The checks of a Random Characters run; false after a refusal was shown.
    bool checkCharacterRequest();
    void refuse(std::string_view text);

    RunRequest m_request;
    RunEnvironment m_env;
    WordsGenerators* m_words = nullptr;
    DictionaryCheck* m_dictionary = nullptr;
    MultiFileHooks m_hooks;
};

// The multi-file question of Execute, CR LFs included.
std::string multiFileConfirmationText(const MultiFileSettings& settings, GenerationMethod method);

} // namespace quorlix
