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
#include "engine/RunControl.h"
#include "engine/RunTexts.h"
#include "output/SaveAs.h"
#include "output/SortTextFile.h"
#include "platform/AtomicFile.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "settings/LastSettings.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsFile.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryFolder.h"
#include "words/DictionaryWordSource.h"
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

Status checkOutputFile(const std::string& path)
{
    if (!formatFromFileName(fileTitle(path)))
        return Status::invalidArgument(std::string(kUnrecognizedFileType));
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return Status::invalidArgument("-o: " + path + " is a folder");
    const fs::path parent = fs::path(path).parent_path();
    return checkWritableFolder(parent.empty() ? std::string(".") : parent.string(), "-o");
}

void printSpace(const OptionState& state)
{
    const PasswordSpace space = passwordSpace(state.pool, state.run, state.rules, state.checks);
    const char* bound = space.upperBound ? "at most " : "";
    std::printf("Possible passwords: %s%s\n", bound, space.possible.c_str());
    std::printf("Entropy per password: %s%.1f bits\n", bound, space.bits);
    if (space.upperBound)
        std::printf("(The side-by-side, sequential, strong-password and dictionary checks leave some out.)\n");
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

int runGenerate(const GenerateArgs& args, const WordsArgs* words)
{
    OptionState state; // the first-start values
    QtSettingsStore store;
    const bool fromStore = !args.defaults && hasLastSettings(store);
    if (!args.defaults)
        loadLastSettings(store, state);
    applyCliFirstStart(store, args.defaults, state);
    if (args.settingsFile) {
        const Status s = loadSettingsFile(*args.settingsFile, state);
        if (!s) {
            err(s.message());
            return kExitFailure;
        }
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
    if (args.stats) {
        printSpace(state);
        return kExitOk;
    }
    if (args.saveSettings) {
        const Status s = saveSettingsFile(*args.saveSettings, state);
        if (!s) {
            err(s.message());
            return kExitFailure;
        }
    }
    const bool toStdout = !args.output || *args.output == "-";
    if (!toStdout) {
        if (const Status s = checkOutputFile(*args.output); !s)
            return refuse(s.message());
    }
    if (multiFile.active == 1) {
        if (const Status s = checkWritableFolder(multiFile.directory, "--dir"); !s)
            return refuse(s.message());
    }

    RunState runState;
    const std::int32_t& total = words ? state.words.totalPasswords : state.run.totalPasswords;
    TerminalUi ui(runState, total, !args.quiet && ::isatty(STDERR_FILENO) == 1);
    ResultList list;
    SecureRandom random;
    Yielder yielder(ui);
    RunRequest request{state.method, state.run, state.checks,         state.pool, state.inserts,
                       state.rules,  multiFile, state.dictionaryFile, state.words};
    RunEnvironment env{ui, ui, list, yielder, runState, random};
    RunControl control(request, env);
    ui.setCountdownTick([&control] { control.countdownTick(); });
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    DictionaryWordSource wordSource;
    DictionaryChecker checker(ui, &wordSource, places);
    control.setDictionaryCheck(&checker);
    WordsRunner runner(wordSource, places);
    control.setWordsGenerators(&runner);

    {
        InterruptGuard guard(runState);
        control.execute();
    }
    ui.finishProgress();

    if (words && runner.lastEnd() == WordRunEnd::Refused)
        return kExitRefused;
    if (words && runner.lastEnd() == WordRunEnd::Failed)
        return kExitFailure;
    // A refused Random Characters request never puts the window into its busy state.
    if (!words && !ui.wentBusy())
        return ui.messages().empty() ? kExitOk : kExitRefused;
    if (contains(ui.messages(), texts::kRulesMismatchError) || contains(ui.messages(), texts::kMultiFileError))
        return kExitFailure;
    // Checks that rejected everything for too long: what was made is still written, and the run failed.
    const bool endless = contains(ui.messages(), texts::kEndlessRejections);
    const bool stopped = runState.stopPending();
    if (multiFile.active == 1) {
        if (stopped || endless)
            err((endless ? "Ended" : "Stopped") + std::string(": the files written so far are kept in ") +
                multiFile.directory);
        return endless ? kExitFailure : stopped ? kExitStopped : kExitOk;
    }

    int code = kExitOk;
    if (!toStdout) {
        NoShell shell;
        SaveContext context{ui, ui, shell, {}};
        const std::size_t before = ui.messages().size();
        saveChosenFile(list, total, ChosenFile{*args.output, fileTitle(*args.output)}, context);
        for (std::size_t i = before; i < ui.messages().size(); ++i)
            if (ui.messages()[i].starts_with("Could not save") || ui.messages()[i] == kUnrecognizedFileType)
                code = kExitFailure;
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
        return code != kExitOk ? code : kExitFailure;
    return stopped ? kExitStopped : kExitOk;
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
    // Standard output gets LF, as every tool in a pipe expects; a file keeps its own line ends.
    if (!SortTextFile(path, caseSensitive, &error, stream ? SortedLineEnds::Lf : SortedLineEnds::AsInFile)) {
        err(error.isOk() ? "No file found at " + path : error.message());
        return kExitFailure;
    }
    if (!error.isOk()) {
        err(error.message());
        return kExitFailure;
    }
    if (stream) {
        if (const Status s = copyToStandardOutput(path); !s) {
            err(s.message());
            return kExitFailure;
        }
    }
    return kExitOk;
}

} // namespace quorlix::cli
