#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/TerminalUi.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryDownload.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySearch.h"
#include "words/DictionaryWordSource.h"
#include "words/WordSettingsWindow.h"
#include "words/WordText.h"

namespace quorlix::cli
{

namespace
{

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
        // One character, as the settings window means it: é is one, though two bytes.
        if (characterCount(*args.separator) > 1)
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
        // The settings window's own rules and texts.
        w.wordLengthLimit = true;
        if (args.minWord)
            w.minWordLength = static_cast<std::int16_t>(std::clamp<std::int64_t>(*args.minWord, 0, 99));
        if (args.maxWord)
            w.maxWordLength = static_cast<std::int16_t>(std::clamp<std::int64_t>(*args.maxWord, 0, 99));
        if (w.minWordLength < 4)
            return Status::invalidArgument(std::string(kMinWordLengthText));
        if (w.maxWordLength < w.minWordLength)
            return Status::invalidArgument(std::string(kMaxWordLengthText));
    }
    if (args.wordCase) {
        const auto style = wordCaseFromName(*args.wordCase);
        if (!style)
            return Status::invalidArgument("--case: choose lower, upper, capitalised, alternating or random");
        w.wordCase = *style;
    }
    if (args.upper) {
        if (*args.upper && w.wordCase != WordCase::Lower)
            return Status::invalidArgument("--upper raises one letter of lower-case words: use it with --case lower");
        w.randomUppercase = *args.upper;
    }
    if (args.dups)
        w.duplicationCheck = *args.dups;
    if (args.dictionary)
        w.dictionary = *args.dictionary;
    return Status::ok();
}

int runDictList()
{
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    const auto found = places.all();
    for (const auto& f : found)
        std::printf("%s\t%s\n", f.name.c_str(), f.folder.c_str());
    if (found.empty()) {
        std::string folders;
        for (const auto& folder : places.folders())
            folders += (folders.empty() ? "" : ", ") + folder;
        return fail("No dictionary files in " + folders +
                    ". Get one with: quorlix-cli dict download "
                    "wordlist_english_abridged.dct");
    }
    return kExitOk;
}

int runDictSearch(const std::string& word, bool hybrid, const std::string& dictionary)
{
    QtSettingsStore store;
    OptionState settings;
    loadLastSettings(store, settings);
    // The window searches the dictionary of the dictionary check.
    const std::string name = dictionary.empty() ? settings.dictionaryFile : dictionary;
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    const std::string folder = places.folderOf(name);
    DictionaryWordSource source;
    WordTables tables;
    const Status s = source.load(folder, name, &tables);
    if (!s) {
        const std::string message = withoutCr(source.failureMessage(s, folder + name, true));
        fail(message);
        if (!fileExists(folder + name))
            fail("Get it with: quorlix-cli dict download " + name + ", or name another with --dictionary.");
        return kExitFailure;
    }
    RunState state;
    const std::int32_t total = 0;
    TerminalUi ui(state, total, false);
    std::string results;
    searchDictionary(tables, word, hybrid ? SearchType::Hybrid : SearchType::Whole, results, ui);
    if (!ui.messages().empty())
        return kExitRefused; // refused, the message is on stderr
    std::fputs(withoutCr(results).c_str(), stdout);
    if (results.empty() || results.back() != '\n')
        std::fputc('\n', stdout);
    // Like grep: found or not is the exit code.
    return results.starts_with(kNoMatchingWords) ? kExitFailure : kExitOk;
}

int runDictDownload(const std::string& name)
{
    // As the download window: a name with a folder in it would write outside the dictionary folder.
    if (!isBareFileName(name)) {
        fail("dict download: " + name + " is not a file name; give the name alone, e.g. wordlist_french.dct");
        return kExitRefused;
    }
    QtSettingsStore store;
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    const std::string folder = places.userFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string address = dictionaryAddress(downloadBase(store), name);
    const Status s = DownloadFile(address, folder + name);
    if (!s)
        return fail("Download Failed: " + address + "\n" + s.message());
    // As the download window does: the new file becomes the dictionary of the
    // dictionary check, which is switched off until the user switches it on.
    store.set(kLastSettingsSection, "DictionaryFile", name);
    store.set(kLastSettingsSection, "DictionaryCheck", boolText(false));
    const Status saved = store.sync();
    std::printf("Downloaded %s into %s; it is now the dictionary of the dictionary check.\n", name.c_str(),
                folder.c_str());
    if (!saved)
        return fail(saved.message());
    return kExitOk;
}

int runDictBuild(const std::string& list, const std::string& out)
{
    std::string target = out;
    if (out.find('/') == std::string::npos) {
        const std::string folder = DictionaryPlaces::ofThisProgram().userFolder();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        target = folder + out;
    }
    Status s;
    DictionaryBuildReport report;
    if (!buildDictionary(list, target, &s, &report))
        return fail(s.message(), s.code() == Status::Code::InvalidArgument ? kExitRefused : kExitFailure);
    std::printf("%zu words from %zu lines into %s\n", report.wordsKept, report.linesRead, target.c_str());
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
