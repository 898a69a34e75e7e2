// The command line of quorlix-cli on any arguments (the input split at NUL
// bytes): parsing, then applying the options of generate and words to the
// settings, without running anything.

#include <sstream>
#include <vector>

#include "FuzzInput.h"
#include "cli/CommandLine.h"
#include "settings/SettingsStore.h"

using namespace quorlix;
using namespace quorlix::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args{"quorlix-cli"};
    std::string_view rest = fuzz::text(data, size);
    while (!rest.empty() && args.size() < 64) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        args.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    const OptionState loaded;
    MemorySettingsStore store;
    CommandLine line(loaded, store, "Quorlix.ini");
    std::ostringstream out, err;
    if (line.parse(static_cast<int>(args.size()), argv.data(), out, err))
        return 0;

    OptionState state;
    MultiFileSettings multiFile;
    if (*line.gen) {
        (void)applyGenerateArgs(line.g, state, multiFile, "/tmp");
    } else if (*line.words) {
        (void)applyGenerateArgs(line.wg, state, multiFile, "/tmp");
        (void)applyWordsArgs(line.w, state);
    }
    return 0;
}
