#pragma once
// The command line of quorlix-cli: every subcommand and option with its help,
// parsed into plain values. Kept apart from main() so that parsing can run
// without running a command.

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/GenerateOptions.h"
#include "options/OptionState.h"

namespace quorlix
{
class SettingsStore;
}

namespace quorlix::cli
{

class CommandLine
{
public:
    // state: the loaded settings the help shows as each option's default;
    // store tells whether they came from the last settings (storeName) or
    // are first-start values.
    CommandLine(const OptionState& state, const SettingsStore& store, const std::string& storeName);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Reads argv into the values below. nullopt: a command was chosen and is
    // to be run; else the exit code of a refusal, or of --help and --version,
    // whose texts went to out and err.
    std::optional<int> parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

    // The closest of candidates to typed, or "" when none is close enough
    // to be what was meant.
    static std::string closest(const std::string& typed, const std::vector<std::string>& candidates);

    CLI::App app{"Quorlix: batches of random passwords, registration codes and PINs", "quorlix-cli"};

    GenerateArgs g;  // generate
    GenerateArgs wg; // words: the shared options
    WordsArgs w;     // words: its own options
    GenerateArgs pg; // pronounceable: the shared options
    PronounceableArgs p;
    std::string searchWord, searchDictionary;
    bool hybrid = false;
    std::string downloadName;
    std::optional<std::string> downloadFrom;
    bool downloadList = false;
    std::string buildList, buildOut;
    std::string shippedOut;
    std::string sortPath;
    bool caseSensitive = false;
    std::string convertIn, convertOut;
    std::string compactIn, compactOut;
    std::string repairPath;

    CLI::App* gen = nullptr;
    CLI::App* words = nullptr;
    CLI::App* pron = nullptr;
    CLI::App* dict = nullptr;
    CLI::App* dictList = nullptr;
    CLI::App* dictSearch = nullptr;
    CLI::App* dictDownload = nullptr;
    CLI::App* dictBuild = nullptr;
    CLI::App* dictShipped = nullptr;
    CLI::App* sort = nullptr;
    CLI::App* convert = nullptr;
    CLI::App* compact = nullptr;
    CLI::App* repair = nullptr;
};

} // namespace quorlix::cli
