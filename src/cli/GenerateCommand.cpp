#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/Hints.h"
#include "cli/Messages.h"
#include "cli/StandardStreams.h"
#include "cli/TerminalUi.h"
#include "engine/PasswordSpace.h"
#include "engine/Pronounceable.h"
#include "engine/RunControl.h"
#include "engine/RunTexts.h"
#include "output/FollowedFile.h"
#include "output/MdbListWriter.h"
#include "output/Roster.h"
#include "output/SaveAs.h"
#include "output/SortTextFile.h"
#include "output/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsFile.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryFolder.h"
#include "words/DictionaryWordSource.h"
#include "words/WordStyle.h"
#include "words/WordsRunner.h"

namespace quorlix::cli
{

namespace
{

RunState* g_runState = nullptr;

void onInterrupt(int signal)
{
    // Like the Stop button; the run then ends as if OK was chosen in its
    // prompt. A second Ctrl-C ends the process at once, should a run not
    // notice, without leaving a half-written file behind.
    if (g_runState && g_runState->stopRequested.load(std::memory_order_relaxed) == 0) {
        g_runState->stopRequested.store(1, std::memory_order_relaxed);
        return;
    }
    removeMarkedTemporaryFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class InterruptGuard
{
public:
    explicit InterruptGuard(RunState& state)
    {
        g_runState = &state;
        struct sigaction sa {
        };
        sa.sa_handler = onInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &m_previous);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_previous, nullptr);
        g_runState = nullptr;
    }

private:
    struct sigaction m_previous {
    };
};

// Once saving began the run is over: Ctrl-C (or TERM, HUP) then ends the
// process, its temporary file goes and the user is told what became of the
// file. The text is made before, as a signal handler may not build strings.
std::array<char, 8192> g_savingNote{};
std::size_t g_savingNoteLength = 0;

void onSignalWhileSaving(int signal)
{
    removeMarkedTemporaryFiles();
    (void)!::write(STDERR_FILENO, g_savingNote.data(), g_savingNoteLength);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class SavingGuard
{
public:
    SavingGuard(const std::string& path, bool existed)
    {
        const std::string note =
            "Stopped while saving: nothing was saved; " + path + (existed ? " is as it was.\n" : " was not created.\n");
        g_savingNoteLength = std::min(note.size(), g_savingNote.size());
        std::memcpy(g_savingNote.data(), note.data(), g_savingNoteLength);
        struct sigaction sa {
        };
        sa.sa_handler = onSignalWhileSaving;
        sigemptyset(&sa.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &sa, &m_previous[i]);
    }
    ~SavingGuard()
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    SavingGuard(const SavingGuard&) = delete;
    SavingGuard& operator=(const SavingGuard&) = delete;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> m_previous{};
};

namespace fs = std::filesystem;

std::string fileTitle(const std::string& path)
{
    return fs::path(path).filename().string();
}

void err(const std::string& text)
{
    say(text);
}

bool contains(const std::vector<std::string>& messages, std::string_view text)
{
    for (const auto& m : messages)
        if (m == text || m.starts_with(text))
            return true;
    return false;
}

int writeToStdout(const ResultList& list)
{
    std::string buffer;
    buffer.reserve(1 << 20);
    for (std::size_t i = 0; i < list.count(); ++i) {
        buffer.append(list.row(i));
        buffer.push_back('\n');
        if (buffer.size() >= (1 << 20) - 128) {
            if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size())
                return kExitFailure;
            buffer.clear();
        }
    }
    if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size() || std::fflush(stdout) != 0)
        return kExitFailure;
    return kExitOk;
}

// Refused: the reason, then the option to change.
int refuse(const std::string& message)
{
    err(message);
    if (const std::string hint = optionHint(message); !hint.empty())
        err(hint);
    return kExitRefused;
}

// A file that cannot be written safely (another user's, a link that is not
// followed, one whose folder takes no new file): it failed, before anything
// was made.
int failBefore(const Status& status)
{
    err(status.message());
    return kExitFailure;
}

// A folder the run will write into must be there and writable before
// anything is made.
Status checkWritableFolder(const std::string& folder, const char* option)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Status::invalidArgument(std::string(option) + ": folder not found: " + folder);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Status::invalidArgument(std::string(option) + ": cannot write in " + folder + ": " +
                                       std::strerror(errno));
    return Status::ok();
}

// Writes a text list to standard output, for a pipe into chpasswd and the like.
class StdoutSink final : public ByteSink
{
public:
    void write(std::string_view bytes) override
    {
        if (m_status && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            m_status = Status::ioError("Could not write the passwords to standard output.");
    }
    Status status() const override { return m_status; }
    Status close() override
    {
        if (m_status && std::fflush(stdout) != 0)
            m_status = Status::ioError("Could not write the passwords to standard output.");
        return m_status;
    }

private:
    Status m_status;
};

int writeListToStdout(const ResultList& list, ListFormat format, const HandOut& handOut)
{
    auto writer = makeTextListWriter(format, std::make_unique<StdoutSink>(), handOut);
    if (!handOut.isPlain())
        writer = pairWithPeople(std::move(writer), handOut);
    writer->begin();
    for (std::size_t i = 0; i < list.count(); ++i)
        writer->addRow(ListRow{handOut.isPlain() ? list.row(i) : list.rowAdded(i)});
    if (const Status s = writer->finish(); !s) {
        err(s.message());
        return kExitFailure;
    }
    return kExitOk;
}

Status checkOutputFile(const std::string& path, const char* option)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return Status::invalidArgument(std::string(option) + ": " + path + " is a folder");
    const fs::path parent = fs::path(path).parent_path();
    return checkWritableFolder(parent.empty() ? std::string(".") : parent.string(), option);
}

// The files of a series that are there already must be replaceable, as -o's.
Status checkSeriesFiles(const MultiFileSettings& series)
{
    for (int n = 1; n <= series.totalFiles; ++n) {
        struct stat st {
        };
        const std::string path = series.filePath(n);
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (Status s = checkReplaceable(path); !s)
            return s;
    }
    return Status::ok();
}

// A separator the output cannot hold would fail the save after the whole run,
// or go into the file as a broken character. format: nullopt for standard
// output; version: of .mdb files.
Status checkSeparator(const std::string& separator, std::optional<ListFormat> format, jet::JetVersion version)
{
    if (separator.empty())
        return Status::ok();
    const std::string where =
        format ? "." + std::string(extensionOf(*format)) + " files" : std::string("standard output");
    if (!isValidUtf8(separator))
        return Status::invalidArgument("--separator: the byte " + jet::unstorableCharacter(version, separator) +
                                       " is not a UTF-8 character; " + where + (format ? " take" : " takes") +
                                       " UTF-8 text");
    if (format == ListFormat::Mdb) {
        if (const std::string code = jet::unstorableCharacter(version, separator); !code.empty())
            return Status::invalidArgument("--separator: the character " + code + " cannot be stored in " + where +
                                           (version == jet::JetVersion::Jet3
                                                ? " (Access 97 databases hold the characters of code page 1252)"
                                                : " (Access 2000 databases hold the characters up to U+FFFF)"));
    } else if (separator.find_first_of("\r\n") != std::string::npos) {
        return Status::invalidArgument("--separator: a line end cannot go into " + where +
                                       ", where every password is one line");
    }
    return Status::ok();
}

// A name the database cannot hold would fail the save after the whole run
// (hashing a roster takes minutes): it is refused before, naming the person.
Status checkNamesForDatabase(const Roster& roster, jet::JetVersion version)
{
    for (std::size_t i = 0; i < roster.size(); ++i) {
        const Person person = roster.person(i);
        for (const std::string_view name : {person.lastName, person.firstName}) {
            const std::string code = jet::unstorableCharacter(version, name);
            if (code.empty())
                continue;
            return Status::invalidArgument(
                "The roster " + roster.path() + ": the name \"" + std::string(name) + "\" of person " +
                std::to_string(i + 1) + " has the character " + code + ", which .mdb files cannot hold" +
                (version == jet::JetVersion::Jet3 ? " (Access 97 databases hold the characters of code page 1252)"
                                                  : " (Access 2000 databases hold the characters up to U+FFFF)"));
        }
    }
    return Status::ok();
}

// What a series of Random Words files does not use, named in one note.
std::string ignoredBySeries(const WordsArgs& w)
{
    std::vector<std::string> options;
    std::vector<std::string> instead;
    if (w.minWord)
        options.push_back("--min-word");
    if (w.maxWord)
        options.push_back("--max-word");
    if (w.minWord || w.maxWord)
        instead.push_back("words of any length");
    if (w.upper.value_or(false) || (w.wordCase && *w.wordCase != "lower")) {
        options.push_back(w.upper.value_or(false) ? "--upper" : "--case");
        instead.push_back("all in lower case");
    }
    if (w.digits) {
        options.push_back("the number of --digits");
        instead.push_back("2 to 4 digits");
    }
    if (options.empty())
        return {};
    std::string list;
    for (std::size_t i = 0; i < options.size(); ++i)
        list += (i == 0 ? "" : i + 1 == options.size() ? " and " : ", ") + options[i];
    std::string why;
    for (std::size_t i = 0; i < instead.size(); ++i)
        why += (i == 0 ? "" : ", ") + instead[i];
    return "Note: a series of files ignores " + list + " (" + why + ").";
}

void printSpaceLines(const PasswordSpace& space)
{
    const char* bound = space.upperBound ? "at most " : "";
    std::printf("Possible passwords: %s%s\n", bound, space.possible.c_str());
    std::printf("Entropy per password: %s%.1f bits\n", bound, space.bits);
}

// The two lines of --stats for the method of state; 0, or the exit code of a
// dictionary that could not be read.
int printSpace(const OptionState& state)
{
    if (state.method == GenerationMethod::Pronounceable) {
        const PronounceableLanguage language(state.pronounceable);
        PasswordSpace space;
        space.possible = language.count();
        space.bits = language.bits();
        space.upperBound = state.checks.dictionary;
        printSpaceLines(space);
        if (space.upperBound)
            std::printf("(The dictionary check leaves some out.)\n");
        return kExitOk;
    }
    if (state.method == GenerationMethod::RandomWords) {
        const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
        const std::string& name = state.words.dictionary;
        const std::string folder = places.folderOf(name);
        DictionaryWordSource source;
        WordTables tables;
        const Status s = source.load(folder, name, &tables);
        if (!s) {
            std::string message = source.failureMessage(s, folder + name, true);
            std::erase(message, '\r');
            err(message);
            return kExitFailure;
        }
        const WordDrawer drawer(std::move(tables));
        const PasswordSpace space = wordPasswordSpace(drawer, state.words);
        printSpaceLines(space);
        if (space.upperBound)
            std::printf("(Words joined %s may read the same as other words joined.)\n",
                        state.words.separator.empty() ? "without a separator" : "by a separator found in words");
        return kExitOk;
    }
    const PasswordSpace space = passwordSpace(state.pool, state.run, state.rules, state.checks);
    printSpaceLines(space);
    if (space.upperBound)
        std::printf("(The side-by-side, sequential, strong-password and dictionary checks leave some out.)\n");
    return kExitOk;
}

} // namespace

bool hasLastSettings(const SettingsStore& store)
{
    return store.contains(kLastSettingsSection, "PasswordAmount");
}

void applyCliFirstStart(const SettingsStore& store, bool defaults, OptionState& state)
{
    // The window sorts its display by default; a list on standard output
    // sorted would start with digits, and head -1 would never be random.
    if (defaults || !store.contains(kLastSettingsSection, "SortPass"))
        state.checks.sortDisplay = false;
}

int runGenerate(const GenerateArgs& args, const WordsArgs* words, const PronounceableArgs* pronounceable)
{
    OptionState state; // the first-start values
    QtSettingsStore store;
    const bool fromStore = !args.defaults && hasLastSettings(store);
    if (!args.defaults)
        loadLastSettings(store, state);
    applyCliFirstStart(store, args.defaults, state);
    if (args.settingsFile) {
        SettingsFileReport report;
        const Status s = loadSettingsFile(*args.settingsFile, state, &report);
        if (!s) {
            if (s.code() != Status::Code::TooLarge) {
                err(s.message());
                return kExitFailure;
            }
            err("--settings: " + s.message());
            return kExitRefused;
        }
        // Any line reads as a text item: a file with nothing else is no settings file.
        if (report.recognised == 0) {
            err("--settings: " + *args.settingsFile + " is not a settings file: none of its lines holds a setting");
            return kExitRefused;
        }
        for (const std::string& skipped : describeSkippedItems(report))
            err("--settings: " + *args.settingsFile + ": " + skipped + "; kept as it was");
    } else if (fromStore && !args.quiet) {
        err("quorlix-cli: options not given come from the last settings of the desktop program (" + store.fileName() +
            "); --defaults ignores them");
    }
    MultiFileSettings multiFile;
    const Status applied = applyGenerateArgs(args, state, multiFile, fs::current_path().string());
    if (!applied)
        return refuse(applied.message());
    if (words) {
        const Status s = applyWordsArgs(*words, state);
        if (!s)
            return refuse(s.message());
    }
    if (pronounceable) {
        const Status s = applyPronounceableArgs(*pronounceable, state);
        if (!s)
            return refuse(s.message());
    }
    HandOut handOut;
    if (const Status s = handOutFromArgs(args, handOut); !s)
        return refuse(s.message());
    if (handOut.hasNames()) {
        const auto people = static_cast<std::int64_t>(handOut.roster->size());
        const std::optional<std::int64_t>& given = words           ? words->count
                                                   : pronounceable ? pronounceable->count
                                                                   : args.count;
        if (given && *given != people)
            return refuse("--count " + std::to_string(*given) + ": the roster " + *args.roster + " names " +
                          std::to_string(people) + (people == 1 ? " person" : " people") +
                          ", and the count follows the roster; leave --count out");
        state.run.totalPasswords = static_cast<std::int32_t>(people);
        state.words.totalPasswords = static_cast<std::int32_t>(people);
        state.pronounceable.totalPasswords = static_cast<std::int32_t>(people);
    }
    std::optional<ListFormat> format;
    if (args.format) {
        format = formatFromName(*args.format);
        if (!format)
            return refuse("--format: choose txt, csv, htm, mdb, pdf, chpasswd, manager-csv or bitwarden-csv");
        if (multiFile.active == 1)
            return refuse("--format is the type of -o; a series of files takes --type");
    }
    {
        const bool toTerminal = !args.output || *args.output == "-";
        // The type the passwords will be written as, when it is known now.
        std::optional<ListFormat> effective = format;
        if (multiFile.active == 1)
            effective = formatFromName(multiFile.fileType);
        else if (!effective)
            effective = toTerminal ? std::optional(ListFormat::Txt) : formatFromFileName(fileTitle(*args.output));
        if (effective) {
            if (toTerminal && multiFile.active != 1 &&
                (*effective == ListFormat::Mdb || *effective == ListFormat::Pdf))
                return refuse("--format " + std::string(nameOf(*effective)) +
                              " makes a file, not text: name it with -o FILE");
            const bool slipOptions = args.qr || args.heading || args.slipsPerPage || args.paper;
            if (slipOptions && *effective != ListFormat::Pdf)
                return refuse("--qr, --heading, --slips-per-page and --paper shape slips: save to a .pdf file or "
                              "use --format pdf");
            if (args.namesInText && *effective != ListFormat::Txt)
                return refuse("--names puts names in text lists; the other lists have name columns of their own");
            if (const Status s = checkHandOut(*effective, handOut); !s)
                return refuse(s.message());
            if (*effective == ListFormat::Mdb && handOut.hasNames()) {
                const Status s = checkNamesForDatabase(*handOut.roster, mdbFormatFromSetting(mdbFormatSetting()));
                if (!s)
                    return refuse(s.message());
            }
        }
    }
    if (args.stats)
        return printSpace(state);

    // Every file the run will write is checked before a password is made.
    const bool toStdout = !args.output || *args.output == "-";
    if (!toStdout) {
        if (!format)
            format = formatFromFileName(fileTitle(*args.output));
        if (!format)
            return refuse(std::string(kUnrecognizedFileType));
        if (const Status s = checkReplaceable(*args.output); !s)
            return failBefore(s);
        if (const Status s = checkOutputFile(*args.output, "-o"); !s)
            return refuse(s.message());
    }
    if (multiFile.active == 1) {
        if (const Status s = checkSeriesFiles(multiFile); !s)
            return failBefore(s);
        if (const Status s = checkWritableFolder(multiFile.directory, "--dir"); !s)
            return refuse(s.message());
        format = formatFromName(multiFile.fileType);
    }
    if (args.saveSettings) {
        if (const Status s = checkReplaceable(*args.saveSettings); !s)
            return failBefore(s);
        if (const Status s = checkOutputFile(*args.saveSettings, "--save-settings"); !s)
            return refuse(s.message());
    }
    if (words) {
        if (const Status s = checkSeparator(state.words.separator, format, mdbFormatFromSetting(mdbFormatSetting()));
            !s)
            return refuse(s.message());
        if (multiFile.active == 1 && !args.quiet)
            if (const std::string note = ignoredBySeries(*words); !note.empty())
                err(note);
    }
    // The settings are written for a run that was accepted, whatever became of it.
    const auto finish = [&](int code) {
        if (!args.saveSettings || code == kExitRefused)
            return code;
        if (const Status s = saveSettingsFile(*args.saveSettings, state); !s) {
            err(s.message());
            return code == kExitOk ? kExitFailure : code;
        }
        return code;
    };

    RunState runState;
    const std::int32_t& total = words           ? state.words.totalPasswords
                                : pronounceable ? state.pronounceable.totalPasswords
                                                : state.run.totalPasswords;
    // -q hides the progress line too.
    TerminalUi ui(runState, total, !args.quiet && ::isatty(STDERR_FILENO) == 1);
    ui.setQuiet(args.quiet);
    ResultList list;
    SecureRandom random;
    Yielder yielder(ui);
    RunRequest request{state.method, state.run, state.checks,         state.pool,  state.inserts,
                       state.rules,  multiFile, state.dictionaryFile, state.words, state.pronounceable,
                       &handOut};
    RunEnvironment env{ui, ui, list, yielder, runState, random};
    RunControl control(request, env);
    ui.setCountdownTick([&control] { control.countdownTick(); });
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    DictionaryWordSource wordSource;
    DictionaryChecker checker(ui, &wordSource, places);
    control.setDictionaryCheck(&checker);
    WordsRunner runner(wordSource, places);
    control.setWordsGenerators(&runner);

    // An unsorted plain list reaches its file while it is made (a text format
    // only): the save after the run then only completes the file.
    std::unique_ptr<FollowedFile> followed;
    if (!toStdout && multiFile.active != 1 && !state.checks.sortDisplay && handOut.isPlain() && format &&
        *format != ListFormat::Mdb) {
        followed = std::make_unique<FollowedFile>(*args.output, *format);
        list.setFollower(followed.get());
    }

    // Ctrl-C stops the run, and the save after it: hashing takes minutes.
    InterruptGuard interrupts(runState);
    control.execute();
    list.setFollower(nullptr);
    ui.finishProgress();

    if (words && runner.lastEnd() == WordRunEnd::Refused)
        return kExitRefused;
    // No dictionary named at all asks for a change to the request, as a missing one does.
    if (words && runner.lastEnd() == WordRunEnd::Failed)
        return state.words.dictionary.empty() ? kExitRefused : finish(kExitFailure);
    // A refused Random Characters or Pronounceable request never puts the window into its busy state.
    if (!words && !ui.wentBusy())
        return ui.messages().empty() ? finish(kExitOk) : kExitRefused;
    if (contains(ui.messages(), texts::kRulesMismatchError) || contains(ui.messages(), texts::kMultiFileError))
        return finish(kExitFailure);
    // Checks that rejected everything for too long: what was made is still written, and the run failed.
    const bool endless = contains(ui.messages(), texts::kEndlessRejections);
    const bool stopped = runState.stopPending();
    if (multiFile.active == 1) {
        if (stopped || endless)
            err((endless ? "Ended" : "Stopped") + std::string(": the files written so far are kept in ") +
                multiFile.directory);
        return finish(endless ? kExitFailure : stopped ? kExitStopped : kExitOk);
    }

    int code = kExitOk;
    if (!toStdout) {
        NoShell shell;
        // A stopped run's save is not stopped again by the same Ctrl-C.
        runState.stopRequested.store(0);
        ui.showSaving(true);
        // A plain row is written in nanoseconds, a hashed one in milliseconds:
        // the terminal is served every 4,096 plain rows and after every other.
        const std::size_t serveEvery = handOut.isPlain() ? 4096 : 1;
        SaveContext context{ui,
                            ui,
                            shell,
                            [&ui, serveEvery, rows = std::size_t{0}]() mutable {
                                if (++rows % serveEvery == 0)
                                    ui.processEvents();
                            },
                            &handOut,
                            [&runState] { return runState.stopPending(); },
                            followed.get()};
        const std::size_t before = ui.messages().size();
        struct stat st {
        };
        const SavingGuard guard(*args.output, ::stat(args.output->c_str(), &st) == 0);
        saveChosenFile(list, total, ChosenFile{*args.output, fileTitle(*args.output), "", format}, context);
        ui.finishProgress();
        ui.showSaving(false);
        for (std::size_t i = before; i < ui.messages().size(); ++i)
            if (ui.messages()[i].starts_with("Could not save") || ui.messages()[i] == kUnrecognizedFileType)
                code = kExitFailure;
        if (ui.status().starts_with(kSaveStopped)) {
            err("Stopped: nothing saved; " + *args.output + " is as it was.");
            return kExitStopped;
        }
    } else if (format || !handOut.isPlain()) {
        code = writeListToStdout(list, format.value_or(ListFormat::Txt), handOut);
    } else {
        code = writeToStdout(list);
        if (code != kExitOk)
            err("Could not write the passwords to standard output.");
    }
    if (stopped || endless)
        err((endless ? "Ended: " : "Stopped: ") + std::to_string(list.count()) +
            (list.count() == 1 ? " password" : " passwords") +
            (code != kExitOk ? " made, but not saved."
             : toStdout      ? " written to standard output."
                             : " kept in " + *args.output + "."));
    if (code != kExitOk || endless)
        return finish(code != kExitOk ? code : kExitFailure);
    return finish(stopped ? kExitStopped : kExitOk);
}

int runSort(const std::string& given, bool caseSensitive)
{
    StandardInputCopy input;
    const bool stream = given == "-";
    if (stream) {
        if (const Status s = input.read(); !s) {
            err(s.message());
            return kExitFailure;
        }
    }
    const std::string& path = stream ? input.path() : given;
    Status error;
    // Standard input is sorted straight to standard output.
    bool written = true;
    const bool sorted =
        stream ? sortTextFileInto(
                     path, caseSensitive,
                     [&written](std::string_view bytes) {
                         written = written && std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
                     },
                     &error)
               : SortTextFile(path, caseSensitive, &error);
    if (!sorted) {
        err(error.isOk() ? "No file found at " + path : error.message());
        return kExitFailure;
    }
    if (!error.isOk()) {
        err(error.message());
        return kExitFailure;
    }
    if (stream && (!written || std::fflush(stdout) != 0)) {
        err("Could not write standard output");
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace quorlix::cli
