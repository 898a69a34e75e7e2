#pragma once
// The two Random Words runs: PasswordGenWords fills the Generated Passwords
// display, SaveMultiFileWords writes a numbered series of files. Both read
// WordSettings once at the start, draw words from the dictionary read into
// memory, and reach the window only through the run interfaces.

#include <string>
#include <string_view>

#include "engine/RunState.h"
#include "output/RunSurface.h"
#include "engine/Yielder.h"
#include "options/RunOptions.h"
#include "options/WordSettings.h"
#include "output/HandOut.h"
#include "output/MultiFileSettings.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "words/WordSource.h"

namespace quorlix {

struct WordRunContext {
    const WordSettings& settings;
    // Counter and Sort Display switches, read where the run uses them.
    const CheckOptions& checks;
    MainWindowSurface& surface;
    MessageBoxes& boxes;
    ResultList& list;
    Yielder& yield;
    RunState& state;
    RandomSource& random;
    WordSource& words;
    std::string programFolder; // ends in a path separator
    // The roster and options of a list handed out; null: plain lists.
    const HandOut* handOut = nullptr;
};

// Endless: the candidates were rejected for too long in a row; what was made stays.
enum class WordRunEnd { Completed, Stopped, Refused, Failed, Endless };

// "<folder><name> not found in folder. ..." for a missing dictionary.
std::string dictionaryNotFoundMessage(const std::string& fullPath);
// The too-few-words refusal.
std::string tooFewWordsMessage(const std::string& fullPath, long long totalWords, long long totalPasswords);
// The window after a word run was stopped with OK: counter (when on), timer
// off, "0:00:00", Stop off, Execute on, heading, "Stopped by User", method
// options on. Both word runs end this way.
void showWordRunStopped(MainWindowSurface& surface, bool counterOn, long long produced, long long total);
// The multi-file warning about sorting and duplication checks.
inline constexpr std::string_view kMultiFileWordsWarning =
    "Because Multi-File passwords are written directly to the disk as they are created, only text (.TXT) file "
    "formats can be sorted. In addition, duplication check cannot be performed in multi-file mode when using the "
    "'Random Words' method.";

// Single-window run. A Stop noticed while a candidate is being built (a word
// length window no word meets, a duplication check that keeps failing) asks at
// once; Cancel goes on building the same password, so every password
// requested is still made.
WordRunEnd PasswordGenWords(WordRunContext& run);

// Multi-file run over files.directory + files.filePreface + n + "." + files.fileType.
// A file that cannot be written ends the run with a message naming it; files
// finished before stay, an earlier file of the same name is never lost.
WordRunEnd SaveMultiFileWords(WordRunContext& run, const MultiFileSettings& files);

} // namespace quorlix
