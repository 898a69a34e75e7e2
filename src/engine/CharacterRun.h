#pragma once
// The two Random Characters generators: into the display, and into a numbered
// series of files. Execute (RunControl) calls them after its checks and its
// run start; each handles every end of its run (normal, stopped, error).

#include <functional>
#include <memory>
#include <string>

#include "engine/DictionaryCheck.h"
#include "engine/RunRequest.h"
#include "output/ListWriter.h"

namespace quorlix
{

// Runs into the display. dictionary may be null (the check then passes); when
// given, it has been prepared (RunControl::generate does so).
void generateCharacters(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary);

using ListFileOpener =
    std::function<std::unique_ptr<ListWriter>(const std::string& path, ListFormat format, Status* error)>;
using TextFileSorter = std::function<bool(const std::string& path, bool caseSensitive, Status* error)>;

struct MultiFileHooks {
    ListFileOpener open; // openListFile in the program
    TextFileSorter sort; // SortTextFile in the program
};

// Runs into the files named by request.multiFile. Every failure (a file that
// cannot be created or written, a writer that throws, a dictionary check that
// throws) ends the run with the multi-file error message; the file being
// written is then dropped and an earlier file of that name is left untouched.
void generateMultiFileCharacters(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                                 const MultiFileHooks& hooks);

} // namespace quorlix
