#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "engine/DuplicateSet.h"
#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "platform/SecretMemory.h"
#include "words/DictionaryFolder.h"
#include "words/WordDrawer.h"
#include "words/WordRuns.h"
#include "words/WordStyle.h"
#include "words/WordText.h"

namespace quorlix {

std::string dictionaryNotFoundMessage(const std::string& fullPath)
{
    return fullPath +
           " not found in folder. This file is necessary in order to select words from. This file may have been "
           "moved or renamed. In order to use this dictionary file you should download it into the Quorlix "
           "directory. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.";
}

std::string tooFewWordsMessage(const std::string& fullPath, long long totalWords, long long totalPasswords)
{
    return fullPath + "  dictionary file contains a total of " + std::to_string(totalWords) +
           " words. You have requested " + std::to_string(totalPasswords) +
           " passwords to be created which is more than this dictionary file contains. Either remove duplication "
           "checks, request a smaller number of passwords than this dictionary file contains or select a different "
           "dictionary file which contains more words.";
}

namespace {

// Loads the dictionary for a run; on failure shows the message and returns nullopt.
std::optional<WordDrawer> loadWords(WordRunContext& run, bool singleWindowRun, WordRunEnd* end)
{
    const std::string fullPath = inProgramFolder(run.programFolder, run.settings.dictionary);
    if (!fileExists(fullPath)) {
        run.boxes.show(dictionaryNotFoundMessage(fullPath), Icon::Critical, Buttons::Ok);
        *end = WordRunEnd::Refused;
        return std::nullopt;
    }
    WordTables tables;
    Status loaded = run.words.load(run.programFolder, run.settings.dictionary, &tables);
    // Nothing to draw from: as damaged as a file without its tables.
    if (loaded.isOk() && tables.totalWords() == 0)
        loaded = Status::notFound("The dictionary holds no words.");
    if (!loaded) {
        run.boxes.show(run.words.failureMessage(loaded, fullPath, singleWindowRun), Icon::Critical, Buttons::Ok);
        *end = WordRunEnd::Failed;
        return std::nullopt;
    }
    return WordDrawer(std::move(tables));
}

// At most how many different passwords the settings give: the words that
// fit the length window (each as many times as it has letters to raise when
// a random one is), to the power of the words per password, times the digit
// endings. Words that coincide once lower-cased, or joined without a
// separator, make the true count smaller.
long double possibleWordPasswords(const WordDrawer& drawer, const WordSettings& settings, int wordCount,
                                  int digitCount)
{
    long double perWord = 0;
    if (!settings.wordLengthLimit && !settings.randomCapital()) {
        perWord = drawer.totalWords();
    } else {
        for (std::size_t i = 0; i < static_cast<std::size_t>(drawer.totalWords()); ++i) {
            const std::size_t length = characterCount(drawer.word(i));
            if (settings.wordLengthLimit && (length < static_cast<std::size_t>(std::max<int>(settings.minWordLength, 0)) ||
                                             length > static_cast<std::size_t>(std::max<int>(settings.maxWordLength, 0))))
                continue;
            perWord += settings.randomCapital() ? static_cast<long double>(std::max<std::size_t>(length, 1)) : 1;
        }
    }
    if (settings.wordCase == WordCase::Random)
        perWord *= 2;
    long double count = std::pow(perWord, static_cast<long double>(wordCount));
    if (settings.randomNumbers)
        count *= std::pow(10.0L, static_cast<long double>(digitCount));
    return count;
}

} // namespace

void showWordRunStopped(MainWindowSurface& surface, bool counterOn, long long produced, long long total)
{
    if (counterOn)
        surface.setCounter(CounterText().of(static_cast<std::int32_t>(produced), static_cast<std::int32_t>(total)));
    surface.setCountdownTimerEnabled(false);
    surface.setCountdown("0:00:00");
    surface.setStopEnabled(false);
    surface.setExecuteEnabled(true);
    surface.setHeading("Generated Passwords");
    surface.setStatus("Stopped by User");
    surface.setMethodOptionsEnabled(true);
}

WordRunEnd PasswordGenWords(WordRunContext& run)
{
    const WordSettings settings = run.settings;
    MainWindowSurface& surface = run.surface;
    run.state.stopRequested.store(0);
    run.state.ticks = 0;
    run.state.currentPassword = 0;
    surface.setMethodOptionsEnabled(false);

    WordRunEnd end = WordRunEnd::Failed;
    std::optional<WordDrawer> drawer = loadWords(run, true, &end);
    if (!drawer) {
        if (end == WordRunEnd::Failed)
            surface.enableOn();
        return end;
    }

    const std::int32_t total = std::max<std::int32_t>(settings.totalPasswords, 0);
    run.list.clear();
    surface.repaintList();
    run.list.setUpdating(total < 5000);
    surface.setExecuteEnabled(false);
    surface.setStopEnabled(true);
    surface.setCountdownTimerEnabled(true);
    surface.showCountdown();
    surface.setCountdown("Calculating...");
    surface.setStatus("Processing.....Please Wait");

    if (total > drawer->totalWords() && settings.duplicationCheck && settings.wordsPerPassword == 1) {
        run.boxes.show(tooFewWordsMessage(inProgramFolder(run.programFolder, settings.dictionary),
                                          drawer->totalWords(), total),
                       Icon::Critical, Buttons::Ok);
        surface.setCountdownTimerEnabled(false);
        surface.setCountdown("0:00:00");
        run.list.setUpdating(true);
        return WordRunEnd::Refused;
    }

    // A settings file may hold anything; the window allows 1 to 10.
    const int wordCount = std::clamp<int>(settings.wordsPerPassword, 1, 10);
    const int digitCount = std::max<int>(settings.digitCount, 0);
    const long double possible = possibleWordPasswords(*drawer, settings, wordCount, digitCount);
    if (settings.duplicationCheck && static_cast<long double>(total) > possible) {
        run.boxes.show(texts::tooFewPossible(total, static_cast<std::uint64_t>(possible)), Icon::Exclamation,
                       Buttons::Ok);
        surface.setCountdownTimerEnabled(false);
        surface.setCountdown("0:00:00");
        run.list.setUpdating(true);
        return WordRunEnd::Refused;
    }
    // Rejected candidates in a row: a length window no word meets, or
    // duplicates only, would keep the run drawing for ever.
    const std::uint64_t rejectionsAllowed = rejectionLimit(possible, total, settings.duplicationCheck);
    std::uint64_t rejections = 0;
    const bool lengthLimit = settings.wordLengthLimit;
    const std::size_t minLength = static_cast<std::size_t>(std::max<int>(settings.minWordLength, 0));
    const std::size_t maxLength = static_cast<std::size_t>(std::max<int>(settings.maxWordLength, 0));
    DuplicateSet seen;
    if (settings.duplicationCheck)
        seen.reserve(static_cast<std::size_t>(total));

    std::string candidate;
    const WipedOnExit wipeCandidate(candidate);
    CounterText counter;
    // No draw depends on a word read (see Picks below).
    const bool picksFirst = !lengthLimit && !settings.randomCapital() && settings.wordCase != WordCase::Random;
    const auto stopAsked = [&](long long produced) {
        run.yield.force();
        if (confirmStop(surface, run.boxes, run.checks.counter, static_cast<std::int32_t>(produced), total))
            return true;
        run.state.stopRequested.store(0);
        return false;
    };
    const auto stoppedEnd = [&](long long produced) {
        showWordRunStopped(surface, run.checks.counter, produced, total);
        run.list.colourRows(run.list.count(), 10, 15);
        run.list.setUpdating(true);
        return WordRunEnd::Stopped;
    };
    // As the stopped end, after saying why; the passwords made stay.
    const auto endlessEnd = [&](long long produced) {
        run.boxes.show(texts::kEndlessRejections, Icon::Exclamation, Buttons::Ok);
        stoppedEnd(produced);
        return WordRunEnd::Endless;
    };

    // Without a length window or upper case, an attempt's draws are its word
    // indices and then its digits, none depending on a word read; drawing
    // them all first lets the words load while other work goes on.
    struct Picks {
        std::array<std::size_t, 10> words{};
        std::string digits;
    };
    const auto pick = [&](Picks& p) {
        for (std::size_t w = 0; w < static_cast<std::size_t>(wordCount); ++w) {
            run.yield();
            p.words[w] = drawer->drawIndex(run.random);
            drawer->prefetch(p.words[w]);
        }
        p.digits.clear();
        if (settings.randomNumbers)
            for (int d = 0; d < digitCount; ++d)
                p.digits += static_cast<char>('0' + run.random.draw(10, 0));
    };
    // The digits follow the last word, the separator every other one.
    const auto assemble = [&](const Picks& p, std::string& out) {
        out.clear();
        for (int w = 1; w <= wordCount; ++w) {
            const std::string_view word = drawer->word(p.words[static_cast<std::size_t>(w - 1)]);
            if (settings.wordCase == WordCase::Lower)
                out += word;
            else
                out += styledWord(word, settings.wordCase, w, false);
            if (w == wordCount)
                out += p.digits;
            else
                out += settings.separator;
        }
    };
    Picks picks;

    // One attempt's words after its opening yield; false when a word falls
    // outside the length window (the attempt is over).
    const auto build = [&](std::string& out) {
        if (picksFirst) {
            pick(picks);
            assemble(picks, out);
            return true;
        }
        out.clear();
        for (int w = 1; w <= wordCount; ++w) {
            run.yield();
            const std::string_view word = drawer->draw(run.random);
            if (lengthLimit) {
                const std::size_t length = characterCount(word);
                if (length > maxLength || length < minLength)
                    return false;
            }
            if (settings.randomCapital()) {
                const auto length = characterCount(word);
                const int q = run.random.draw(static_cast<double>(length), 1);
                out += upperCharacterAt(word, static_cast<std::size_t>(q));
            } else if (settings.wordCase == WordCase::Lower) {
                out += word;
            } else {
                // A random word's case is one draw: UPPER or lower, even chances.
                const bool upper = settings.wordCase == WordCase::Random && run.random.draw(2, 0) == 1;
                out += styledWord(word, settings.wordCase, w, upper);
            }
            if (settings.randomNumbers && w == wordCount)
                for (int d = 0; d < digitCount; ++d)
                    out += static_cast<char>('0' + run.random.draw(10, 0));
            if (w != wordCount)
                out += settings.separator;
        }
        return true;
    };

    // With the duplication check on and no length window, every attempt draws
    // the same way whatever the verdict on the one before, so the next
    // attempt is drawn while the set's memory answers for this one (a cache
    // miss at these sizes). The draws, their order and the yields stay as
    // they would be; a stop still discards only an unfinished attempt.
    const bool drawAhead = settings.duplicationCheck && !lengthLimit;
    std::string next;
    const WipedOnExit wipeNext(next);
    Picks nextPicks; // the next attempt's draws, its words loading meanwhile
    const WipedOnExit wipeDigits(picks.digits), wipeNextDigits(nextPicks.digits);
    std::uint64_t candidateHash = 0;
    bool pending = false; // candidate holds an attempt drawn ahead

    for (std::int32_t i = 1; i <= total; ++i) {
        run.state.currentPassword = i;
        for (bool again = false;; again = true) { // restart point: a new candidate
            if (!pending)
                run.yield();
            // A redraw may go on for ever (no word fits the length window, no
            // new combination is left), so a Stop is answered here too.
            if (again && ++rejections > rejectionsAllowed)
                return endlessEnd(i - 1);
            if (again && run.state.stopPending() && stopAsked(i - 1))
                return stoppedEnd(i - 1);
            if (!pending) {
                if (!build(candidate))
                    continue;
                if (settings.duplicationCheck) {
                    candidateHash = DuplicateSet::hashOf(candidate);
                    seen.prefetch(candidateHash);
                }
            }
            pending = false;
            if (!settings.duplicationCheck)
                break;
            // The run needs another attempt whether this one passes or not.
            const bool ahead = drawAhead && i < total && !run.state.stopPending();
            if (ahead) {
                run.yield();
                if (picksFirst)
                    pick(nextPicks);
                else
                    build(next);
            }
            const bool fresh = seen.insert(candidate, candidateHash);
            if (fresh)
                run.list.add(candidate);
            if (ahead) {
                if (picksFirst)
                    assemble(nextPicks, next);
                candidate.swap(next);
                candidateHash = DuplicateSet::hashOf(candidate);
                seen.prefetch(candidateHash);
                pending = true;
            }
            if (fresh)
                break;
        }
        if (!settings.duplicationCheck)
            run.list.add(candidate);
        rejections = 0;
        if (run.checks.counter)
            surface.setCounter(counter.of(i, total));
        if (run.state.stopPending() && stopAsked(i))
            return stoppedEnd(i);
    }

    run.list.colourRows(static_cast<std::size_t>(total), 10, 15);
    run.list.setUpdating(true);
    surface.setStatus("Complete");
    surface.setCountdownTimerEnabled(false);
    surface.setExecuteEnabled(true);
    surface.setStopEnabled(false);
    surface.setCountdown("0:00:00");
    surface.setProgress(100);
    return WordRunEnd::Completed;
}

} // namespace quorlix
