#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/TerminalUi.h"
#include "settings/QtSettingsStore.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryDownload.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySearch.h"
#include "words/DictionaryWordSource.h"

namespace quorlix::cli {

namespace {

int fail(const std::string& text, int code = kExitFailure)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    return code;
}

// Message texts use CR LF; the terminal gets LF.
std::string withoutCr(std::string text)
{
    std::erase(text, '\r');
    return text;
}

} // namespace

std::string programFolder() { return quorlix::programFolder(); }

Status applyWordsArgs(const WordsArgs& args, OptionState& state)
{
    WordSettings& w = state.words;
    state.method = GenerationMethod::RandomWords;
    if (args.count) {
        if (*args.count < 1 || *args.count > kMaxPasswords)
            return Status::invalidArgument("--count: choose 1 to 10,000,000 passwords");
        w.totalPasswords = static_cast<std::int32_t>(*args.count);
    }
    if (args.words) {
        if (*args.words < 1 || *args.words > 10)
            return Status::invalidArgument("--words: choose 1 to 10 words");
        w.wordsPerPassword = static_cast<std::int16_t>(*args.words);
    }
    if (args.separator) {
        if (args.separator->size() > 1)
            return Status::invalidArgument("--separator: one character, or \"\" for none");
        w.separator = *args.separator;
    }
    if (args.digits) {
        if (*args.digits < 1 || *args.digits > 9)
            return Status::invalidArgument("--digits: choose 1 to 9 digits");
        w.randomNumbers = true;
        w.digitCount = static_cast<std::int16_t>(*args.digits);
    }
    if (args.noDigits)
        w.randomNumbers = false;
    if (args.minWord || args.maxWord) {
        w.wordLengthLimit = true;
        if (args.minWord)
            w.minWordLength = static_cast<std::int16_t>(std::clamp<std::int64_t>(*args.minWord, 0, 99));
        if (args.maxWord)
            w.maxWordLength = static_cast<std::int16_t>(std::clamp<std::int64_t>(*args.maxWord, 0, 99));
        if (w.minWordLength < 1 || w.maxWordLength < w.minWordLength)
            return Status::invalidArgument("--min-word and --max-word: a window from 1 letter up, min not above max");
    }
    if (args.upper)
        w.randomUppercase = *args.upper;
    if (args.dups)
        w.duplicationCheck = *args.dups;
    if (args.dictionary)
        w.dictionary = *args.dictionary;
    return Status::ok();
}

int runDictList()
{
    const auto present = availableDictionaries(programFolder());
    for (const auto& name : present)
        std::printf("%s\n", name.c_str());
    if (present.empty())
        return fail("No dictionary files in " + programFolder());
    return kExitOk;
}

int runDictSearch(const std::string& word, bool hybrid, const std::string& dictionary)
{
    DictionaryWordSource source;
    WordTables tables;
    const std::string folder = programFolder();
    const Status s = source.load(folder, dictionary, &tables);
    if (!s)
        return fail(withoutCr(source.failureMessage(s, folder + dictionary, true)));
    RunState state;
    const std::int32_t total = 0;
    TerminalUi ui(state, total, false);
    std::string results;
    searchDictionary(tables, word, hybrid ? SearchType::Hybrid : SearchType::Whole, results, ui);
    if (!ui.messages().empty())
        return kExitRefused; // refused, the message is on stderr
    std::fputs(withoutCr(results).c_str(), stdout);
    return kExitOk;
}

int runDictDownload(const std::string& name)
{
    QtSettingsStore store;
    const std::string address = dictionaryAddress(downloadBase(store), name);
    const Status s = DownloadFile(address, inProgramFolder(programFolder(), name));
    if (!s)
        return fail(s.message());
    std::printf("Downloaded %s\n", name.c_str());
    return kExitOk;
}

int runDictBuild(const std::string& list, const std::string& out)
{
    Status s;
    DictionaryBuildReport report;
    if (!buildDictionary(list, out, &s, &report))
        return fail(s.message());
    std::printf("%zu words from %zu lines\n", report.wordsKept, report.linesRead);
    return kExitOk;
}

int runDictBuildShipped(const std::string& folder)
{
    Status s;
    if (!buildShippedDictionaries(folder.ends_with('/') ? folder : folder + "/", &s))
        return fail(s.message());
    return kExitOk;
}

} // namespace quorlix::cli
