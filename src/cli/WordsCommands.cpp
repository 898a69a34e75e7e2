#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/Messages.h"
#include "cli/StandardStreams.h"
#include "cli/TerminalUi.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryDownload.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySearch.h"
#include "words/DictionarySources.h"
#include "words/DictionaryWordSource.h"
#include "words/WordSettingsWindow.h"
#include "words/WordText.h"

namespace quorlix::cli
{

namespace
{

int fail(const std::string& text, int code = kExitFailure)
{
    say(text);
    return code;
}

// The places of this program, saying which folders were skipped.
DictionaryPlaces places()
{
    DictionaryPlaces p = DictionaryPlaces::ofThisProgram();
    for (const std::string& note : p.skippedNotes())
        say(note);
    return p;
}

std::string withThousands(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
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
    const DictionaryPlaces p = places();
    const auto found = p.all();
    for (const auto& f : found)
        std::printf("%s\t%s\n", f.name.c_str(), f.folder.c_str());
    if (found.empty()) {
        std::string folders;
        for (const auto& folder : p.folders())
            folders += (folders.empty() ? "" : ", ") + folder;
        return fail("No dictionary files in " + folders + ".\nSee what can be had with: quorlix-cli dict download --list");
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
    const DictionaryPlaces p = places();
    const std::string folder = p.folderOf(name);
    DictionaryWordSource source;
    WordTables tables;
    const Status s = source.load(folder, name, &tables);
    if (!s) {
        say(source.failureMessage(s, folder + name, true));
        if (!fileExists(folder + name))
            say("Get it with: quorlix-cli dict download " + name + ", or name another with --dictionary.");
        else
            say("Get it again with: quorlix-cli dict download " + name + ", or name another with --dictionary.");
        return kExitFailure;
    }
    RunState state;
    const std::int32_t total = 0;
    TerminalUi ui(state, total, false);
    std::string results;
    searchDictionary(tables, word, hybrid ? SearchType::Hybrid : SearchType::Whole, results, ui);
    if (!ui.messages().empty())
        return kExitRefused; // refused, the message is on stderr
    std::erase(results, '\r');
    std::fputs(results.c_str(), stdout);
    if (results.empty() || results.back() != '\n')
        std::fputc('\n', stdout);
    // Like grep: found or not is the exit code.
    return results.starts_with(kNoMatchingWords) ? kExitFailure : kExitOk;
}

int runDictDownloadList(const std::optional<std::string>& from)
{
    QtSettingsStore store;
    const std::string base = from ? serverBase(*from) : downloadBase(store);
    const DictionaryPlaces p = places();
    for (const WordListDictionary& d : wordListDictionaries()) {
        const DictionarySource source = sourceOf(d.file, "", false);
        std::string where = source.kind == DictionarySource::Kind::WordLists
                                ? "from " + sourceText(d.file, source).substr(std::string("built from ").size())
                                : "needs the package " + d.package;
        const std::string folder = p.folderOf(d.file);
        if (fileExists(folder + d.file))
            where += " (present in " + folder + ")";
        std::printf("%s\t%s\t%s\n", d.file.c_str(), d.language.c_str(), where.c_str());
    }
    if (!base.empty())
        std::printf("any other name\t\tfrom %s\n", dictionaryAddress(base, "NAME").c_str());
    say("Built and downloaded dictionaries go to " + p.userFolder() + ".");
    if (base.empty())
        say("No server is named: set DownloadBase in the [Settings] section of " + store.fileName() +
            ", or give --from URL, to download names the word lists cannot give.");
    return kExitOk;
}

int runDictDownload(const std::string& name, const std::optional<std::string>& from)
{
    if (name.empty())
        return fail("dict download: name the dictionary to get, or give --list to see them", kExitRefused);
    // As the download window: a name with a folder in it would write outside the dictionary folder.
    if (!isBareFileName(name))
        return fail("dict download: " + name + " is not a file name; give the name alone, e.g. wordlist_dutch.dct",
                    kExitRefused);
    QtSettingsStore store;
    const std::string base = from ? serverBase(*from) : downloadBase(store);
    if (from && base.empty())
        return fail("dict download: --from needs the address of a server", kExitRefused);
    const DictionarySource source = sourceOf(name, base, from.has_value());
    if (source.kind == DictionarySource::Kind::Package)
        return fail("dict download: " + name + " is built from a word list that is not installed: " +
                    sourceText(name, source) + ", then run this again.");
    if (source.kind == DictionarySource::Kind::Nothing)
        return fail("dict download: " + sourceText(name, source) + ".\nSee what can be had with: quorlix-cli dict "
                    "download --list");

    const DictionaryPlaces p = places();
    const std::string folder = p.userFolder();
    // A name the program already has elsewhere: the new file takes its place.
    const std::string before = p.folderOf(name);
    if (before != folder && fileExists(before + name))
        say(name + " already exists in " + before + "; the one made now in " + folder +
            " takes its place (remove it to use the other again).");

    std::vector<std::string> created;
    if (const Status s = makeUserFolder(folder, &created); !s)
        return fail(s.message());
    const std::string target = folder + name;
    Status s;
    std::string done;
    if (source.kind == DictionarySource::Kind::WordLists) {
        say("Building " + name + " " + sourceText(name, source).substr(std::string("built ").size()) + " ...");
        DictionaryBuildReport report;
        if (buildDictionary(source.lists, target, &s, &report))
            done = name + ": " + withThousands(report.wordsKept) + " words into " + folder + ".";
    } else {
        say("Downloading " + source.address + " ...");
        bool digestChecked = false;
        s = downloadDictionary(source.address, target, &digestChecked);
        if (s)
            done = name + ": downloaded into " + folder + (digestChecked ? " (matches " + name + ".sha256)." :
                                                                           " (no " + name + ".sha256 to check it against).");
    }
    if (!s) {
        removeCreatedFolders(created);
        say((source.kind == DictionarySource::Kind::WordLists ? "Build Failed: " : "Download Failed: ") +
            (source.kind == DictionarySource::Kind::WordLists ? name : source.address));
        return fail(s.message() + (fileExists(target) ? "\nThe file already in " + folder + " was kept."
                                                      : "\nNothing was saved."));
    }
    say(done);

    // As the download window does: the new file becomes the dictionary of the
    // dictionary check, which is switched off until the user switches it on.
    OptionState settings;
    loadLastSettings(store, settings);
    store.set(kLastSettingsSection, "DictionaryFile", name);
    store.set(kLastSettingsSection, "DictionaryCheck", boolText(false));
    const Status saved = store.sync();
    if (!saved)
        return fail(saved.message());
    say(settings.checks.dictionary
            ? name + " is now the dictionary of the dictionary check, which this switched off; switch it on again in "
                     "the window, or use it for one run with generate --dict whole (or hybrid)."
            : name + " is now the dictionary of the dictionary check (which is off; generate --dict whole or hybrid "
                     "uses it).");
    return kExitOk;
}

int runDictBuild(const std::string& list, const std::string& out)
{
    StandardInputCopy input;
    if (list == "-") {
        if (const Status s = input.read(); !s)
            return fail(s.message());
    }
    std::string target = out;
    std::vector<std::string> created;
    if (out.find('/') == std::string::npos) {
        const std::string folder = places().userFolder();
        if (const Status s = makeUserFolder(folder, &created); !s)
            return fail(s.message());
        target = folder + out;
    }
    Status s;
    DictionaryBuildReport report;
    if (!buildDictionary(list == "-" ? input.path() : list, target, &s, &report)) {
        removeCreatedFolders(created);
        return fail(s.message(), s.code() == Status::Code::InvalidArgument ? kExitRefused : kExitFailure);
    }
    say(withThousands(report.wordsKept) + " words from " + withThousands(report.linesRead) + " lines into " + target);
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
