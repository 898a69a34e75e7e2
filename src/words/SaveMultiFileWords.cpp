#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "engine/Progress.h"
#include "platform/SecretMemory.h"
#include "output/ListWriter.h"
#include "output/SortTextFile.h"
#include "words/DictionaryFolder.h"
#include "words/WordDrawer.h"
#include "words/WordRuns.h"
#include "words/WordText.h"

namespace quorlix {

namespace {


std::optional<ListFormat> formatOfType(const std::string& type)
{
    return formatFromName(type);
}

} // namespace

WordRunEnd SaveMultiFileWords(WordRunContext& run, const MultiFileSettings& files)
{
    const WordSettings settings = run.settings;
    MainWindowSurface& surface = run.surface;
    surface.setCountdownTimerEnabled(false);
    surface.setCountdown("Deactivated");
    run.state.stopRequested.store(0);
    run.state.ticks = 0;
    run.state.currentPassword = 0;

    if ((files.fileType != "txt" && run.checks.sortDisplay) || settings.duplicationCheck)
        run.boxes.show(kMultiFileWordsWarning, Icon::Exclamation, Buttons::Ok);
    const int totalFiles = std::max<int>(files.totalFiles, 0);
    const float step = totalFiles > 0 ? (1.0f / static_cast<float>(totalFiles)) * 100.0f : 0.0f;
    surface.setMethodOptionsEnabled(false);

    const std::string fullPath = inProgramFolder(run.programFolder, settings.dictionary);
    if (!fileExists(fullPath)) {
        run.boxes.show(dictionaryNotFoundMessage(fullPath), Icon::Critical, Buttons::Ok);
        return WordRunEnd::Refused;
    }
    WordTables tables;
    Status loaded = run.words.load(run.programFolder, settings.dictionary, &tables);
    if (loaded.isOk() && tables.totalWords() == 0)
        loaded = Status::notFound("The dictionary holds no words.");
    if (!loaded) {
        run.boxes.show(run.words.failureMessage(loaded, fullPath, false), Icon::Critical, Buttons::Ok);
        return WordRunEnd::Failed;
    }
    const WordDrawer drawer(std::move(tables));

    run.list.clear();
    surface.repaintList();
    surface.setExecuteEnabled(false);
    surface.setStopEnabled(true);

    const std::int32_t total = std::max<std::int32_t>(settings.totalPasswords, 0);
    if (total > drawer.totalWords() && settings.duplicationCheck && settings.wordsPerPassword == 1)
        run.boxes.show(tooFewWordsMessage(fullPath, drawer.totalWords(), total), Icon::Critical, Buttons::Ok);

    const int wordCount = std::clamp<int>(settings.wordsPerPassword, 1, 10);
    // The whole password is lower-cased here, the separator included.
    const std::string separator = lowerWord(settings.separator);
    const std::optional<ListFormat> format = formatOfType(files.fileType);
    const auto shownName = [&](int n) { return files.shownName(n); };

    if (format) {
        float progress = 0.0f;
        std::string candidate;
        const WipedOnExit wipeCandidate(candidate);
        CounterText counter;
        for (int n = 1; n <= totalFiles; ++n) {
            run.yield();
            Status error;
            std::unique_ptr<ListWriter> writer;
            if (run.handOut) {
                // Each file is one whole hand-out: the roster from its first person.
                HandOut perFile = *run.handOut;
                perFile.rows = static_cast<std::size_t>(std::max(total, 1));
                writer = openHandOutList(files.filePath(n), *format, perFile, &error);
            } else {
                writer = openListFile(files.filePath(n), *format, &error);
            }
            surface.setStatus("Writing to File: " + shownName(n));
            if (!writer) {
                run.boxes.show(seriesWriteFailureText(files.filePath(n), error), Icon::Critical, Buttons::Ok);
                surface.enableOn();
                return WordRunEnd::Failed;
            }
            writer->begin();
            for (std::int32_t i = 1; i <= total; ++i) {
                run.state.currentPassword = i;
                run.yield();
                candidate.clear();
                for (int w = 1; w <= wordCount; ++w) {
                    run.yield();
                    candidate += drawer.draw(run.random);
                    if (settings.randomNumbers && w == wordCount)
                        candidate += std::to_string(run.random.draw(9990, 10));
                    if (!separator.empty() && w != wordCount)
                        candidate += separator;
                }
                writer->add(candidate);
                if (run.checks.counter)
                    surface.setCounter(counter.of(i, total));
                if (run.state.stopPending()) {
                    run.yield.force();
                    if (confirmStop(surface, run.boxes, run.checks.counter, i, total)) {
                        showWordRunStopped(surface, run.checks.counter, i, total);
                        const Status kept = writer->closeUnfinished();
                        if (!kept)
                            run.boxes.show(seriesWriteFailureText(files.filePath(n), kept), Icon::Critical,
                                           Buttons::Ok);
                        return WordRunEnd::Stopped;
                    }
                    run.state.stopRequested.store(0);
                }
            }
            if (const Status done = writer->finish(); !done) {
                run.boxes.show(seriesWriteFailureText(files.filePath(n), done), Icon::Critical, Buttons::Ok);
                surface.enableOn();
                return WordRunEnd::Failed;
            }
            progress += step;
            surface.setProgress(static_cast<int>(std::nearbyint(progress)));
            if (run.state.stopPending())
                return WordRunEnd::Stopped;
        }
    }

    // Sorting a list handed out would undo its roster order.
    if (files.fileType == "txt" && run.checks.sortDisplay && (!run.handOut || run.handOut->isPlain())) {
        for (int n = 1; n <= totalFiles; ++n) {
            surface.setStatus("Sorting File: " + shownName(n));
            Status error;
            if (!SortTextFile(files.filePath(n), true, &error) && !error.isOk()) {
                run.boxes.show(seriesSortFailureText(files.filePath(n), error), Icon::Critical, Buttons::Ok);
                surface.enableOn();
                return WordRunEnd::Failed;
            }
        }
    }

    surface.setStatus("Complete");
    surface.setCountdown("0:00:00");
    surface.setCountdownTimerEnabled(false);
    surface.setExecuteEnabled(true);
    surface.setStopEnabled(false);
    surface.setProgress(100);
    return WordRunEnd::Completed;
}

} // namespace quorlix
