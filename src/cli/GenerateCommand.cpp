#include <csignal>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "cli/Commands.h"
#include "cli/TerminalUi.h"
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
#include "words/DictionaryWordSource.h"
#include "words/WordsRunner.h"

namespace quorlix::cli {

namespace {

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

class InterruptGuard {
public:
    explicit InterruptGuard(RunState& state)
    {
        g_runState = &state;
        struct sigaction sa {};
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
    struct sigaction m_previous {};
};

std::string fileTitle(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void err(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

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

} // namespace

int runGenerate(const GenerateArgs& args, const WordsArgs* words)
{
    OptionState state;
    QtSettingsStore store;
    loadLastSettings(store, state);
    if (args.settingsFile) {
        const Status s = loadSettingsFile(*args.settingsFile, state);
        if (!s) {
            err(s.message());
            return kExitFailure;
        }
    }
    MultiFileSettings multiFile;
    const Status applied = applyGenerateArgs(args, state, multiFile, std::filesystem::current_path().string());
    if (!applied) {
        err(applied.message());
        return kExitRefused;
    }
    if (words) {
        const Status s = applyWordsArgs(*words, state);
        if (!s) {
            err(s.message());
            return kExitRefused;
        }
    }
    if (args.saveSettings) {
        const Status s = saveSettingsFile(*args.saveSettings, state);
        if (!s) {
            err(s.message());
            return kExitFailure;
        }
    }
    if (args.output && !formatFromFileName(fileTitle(*args.output))) {
        err(std::string(kUnrecognizedFileType));
        return kExitRefused;
    }

    RunState runState;
    const std::int32_t& total = words ? state.words.totalPasswords : state.run.totalPasswords;
    TerminalUi ui(runState, total, ::isatty(STDERR_FILENO) == 1);
    ResultList list;
    SecureRandom random;
    Yielder yielder(ui);
    RunRequest request{state.method,       state.run,     state.checks,         state.pool, state.inserts,
                       state.rules,        multiFile,     state.dictionaryFile, state.words};
    RunEnvironment env{ui, ui, list, yielder, runState, random};
    RunControl control(request, env);
    ui.setCountdownTick([&control] { control.countdownTick(); });
    const std::string folder = programFolder();
    DictionaryWordSource wordSource;
    DictionaryChecker checker(ui, &wordSource, folder);
    control.setDictionaryCheck(&checker);
    WordsRunner runner(wordSource, folder);
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
    const bool stopped = runState.stopPending();
    if (multiFile.active == 1)
        return stopped ? kExitStopped : kExitOk;

    int code = kExitOk;
    if (args.output) {
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
    return code != kExitOk ? code : (stopped ? kExitStopped : kExitOk);
}

int runSort(const std::string& path, bool caseSensitive)
{
    Status error;
    if (!SortTextFile(path, caseSensitive, &error)) {
        err(error.isOk() ? "No file found at " + path : error.message());
        return kExitFailure;
    }
    if (!error.isOk()) {
        err(error.message());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace quorlix::cli
