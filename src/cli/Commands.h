#pragma once
// The subcommands of quorlix-cli. Each returns the process exit code.

#include <optional>
#include <string>

#include "cli/GenerateOptions.h"

namespace quorlix
{
class SettingsStore;
}

namespace quorlix::cli
{

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,   // something went wrong (a file, a failed run)
    kExitRefused = 2,   // the request was refused; the refusal is on stderr
    kExitStopped = 130, // stopped with Ctrl-C; what was made is still written
};

// words: Random Words; pronounceable: Pronounceable; neither: Random Characters (generate).
int runGenerate(const GenerateArgs& args, const WordsArgs* words = nullptr,
                const PronounceableArgs* pronounceable = nullptr);
// Whether the desktop program has saved last settings in store.
bool hasLastSettings(const SettingsStore& store);
// The values this command line starts from where the window's differ:
// sorting is off unless the last settings hold it (or with --defaults).
void applyCliFirstStart(const SettingsStore& store, bool defaults, OptionState& state);
int runDictList();
// dictionary empty: the dictionary-check file of the settings.
int runDictSearch(const std::string& word, bool hybrid, const std::string& dictionary);
// from: --from URL, else the DownloadBase setting names the server (if any).
int runDictDownload(const std::string& name, const std::optional<std::string>& from);
// What dict download can get, and from where.
int runDictDownloadList(const std::optional<std::string>& from);
// out without a folder goes to the user's dictionary folder.
int runDictBuild(const std::string& list, const std::string& out);
int runDictBuildShipped(const std::string& folder);

// "-" reads standard input (and sort then writes standard output).
int runSort(const std::string& path, bool caseSensitive);
int runConvert(const std::string& source, const std::string& target);
int runCompact(const std::string& source, const std::string& target);
int runRepair(const std::string& path);

// The MdbFormat setting ("Jet3" or "Jet4") of section "Settings".
std::string mdbFormatSetting();

} // namespace quorlix::cli
