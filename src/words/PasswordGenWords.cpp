#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>

#include "engine/CandidatePipeline.h"
#include "engine/DuplicateSet.h"
#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "platform/SecretMemory.h"
#include "platform/Worker.h"
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

// The duplication check of a long run, on the checker thread: exact,
// case-sensitive equality with the rows of this batch.
class alignas(64) WordsChecker final : public CandidateChecker
{
public:
    static constexpr std::uint8_t kDuplication = 1;

    WordsChecker(DuplicateSet& seen, ResultList& list, std::uint64_t rejectionsAllowed)
        : m_seen(seen), m_list(list), m_allowed(rejectionsAllowed)
    {
    }

    void prepare(Candidate& candidate) override
    {
        if (candidate.flags & kDuplication) {
            candidate.hash = DuplicateSet::hashOf(candidate.text);
            m_seen.prefetch(candidate.hash);
        }
    }

    Verdict decide(const Candidate& candidate) override
    {
        if ((candidate.flags & kDuplication) &&
            !m_seen.insertRow(candidate.text, candidate.hash, static_cast<std::uint32_t>(m_list.count())))
            return ++m_rejections > m_allowed ? Verdict::End : Verdict::Rejected;
        m_list.add(candidate.text);
        ++m_made;
        m_rejections = 0;
        return Verdict::Accepted;
    }

    // Exact after the pipeline settled.
    std::int32_t made() const { return m_made; }
    // Settled: rows it added were taken out of the list again.
    void forget(std::size_t rows) { m_made -= static_cast<std::int32_t>(rows); }

private:
    DuplicateSet& m_seen;
    ResultList& m_list;
    const std::uint64_t m_allowed;
    std::uint64_t m_rejections = 0; // in a row
    std::int32_t m_made = 0;
};

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
    DuplicateSet seen(run.list); // entries are the list's rows
    if (settings.duplicationCheck)
        seen.reserve(static_cast<std::size_t>(total));
    // Room for rows of words of up to 16 bytes: the list never moves while
    // it fills, and pages not written are never made.
    run.list.reserve(static_cast<std::size_t>(total),
                     static_cast<std::size_t>(total) *
                         (static_cast<std::size_t>(wordCount) * (16 + settings.separator.size()) +
                          static_cast<std::size_t>(std::max<int>(settings.randomNumbers ? digitCount : 0, 0))));

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
        // Up to 16 digits sit in the array, with room behind them for a copy
        // of fixed width; more in the string.
        std::array<char, 32> digits{};
        std::string longDigits;
    };
    const bool shortDigits = digitCount <= 16;
    const std::size_t digitsMade = settings.randomNumbers ? static_cast<std::size_t>(digitCount) : 0;
    const auto digitsOf = [&](const Picks& p) {
        return shortDigits ? std::string_view(p.digits.data(), digitsMade) : std::string_view(p.longDigits);
    };
    const auto pick = [&](Picks& p) {
        for (std::size_t w = 0; w < static_cast<std::size_t>(wordCount); ++w) {
            run.yield();
            p.words[w] = drawer->drawIndex(run.random);
            drawer->prefetch(p.words[w]);
        }
        if (!shortDigits)
            p.longDigits.resize(digitsMade);
        char* digit = shortDigits ? p.digits.data() : p.longDigits.data();
        for (std::size_t d = 0; d < digitsMade; ++d)
            digit[d] = static_cast<char>('0' + run.random.draw(10, 0));
    };
    // The digits follow the last word, the separator every other one. Put
    // together in one pass of copies: it runs once a password.
    const std::string_view separator = settings.separator;
    const auto passwordSize = [&](const Picks& p) {
        std::size_t size = digitsMade + static_cast<std::size_t>(wordCount - 1) * separator.size();
        for (std::size_t w = 0; w < static_cast<std::size_t>(wordCount); ++w)
            size += drawer->wordSize(p.words[w]);
        return size;
    };
    const auto assemble = [&](const Picks& p, std::string& out) {
        if (settings.wordCase != WordCase::Lower) {
            out.clear();
            for (int w = 1; w <= wordCount; ++w) {
                const std::string_view word = drawer->word(p.words[static_cast<std::size_t>(w - 1)]);
                out += styledWord(word, settings.wordCase, w, false);
                if (w == wordCount)
                    out += digitsOf(p);
                else
                    out += settings.separator;
            }
            return;
        }
        // Two passes over the words (the second reads them from the first
        // level cache) rather than an array of views: clearing such an array
        // cost more than the copies.
        out.resize(passwordSize(p));
        char* to = out.data();
        const auto put = [&to](std::string_view text) {
            for (const char c : text)
                *to++ = c;
        };
        for (std::size_t w = 0; w < static_cast<std::size_t>(wordCount); ++w) {
            put(drawer->word(p.words[w]));
            put(w + 1 == static_cast<std::size_t>(wordCount) ? digitsOf(p) : separator);
        }
    };
    // The same straight into the pipeline's ring, for lower-case words with
    // a short separator and few digits (the common case): each piece is one
    // copy of 16 bytes, the ring and the word slots having room behind them.
    const bool inPlace = settings.wordCase == WordCase::Lower && separator.size() <= 16 && shortDigits;
    std::array<char, 32> separatorBytes{};
    std::copy_n(separator.begin(), std::min<std::size_t>(separator.size(), 16), separatorBytes.begin());
    static_assert(CandidatePipeline::kSlack >= WordDrawer::kCopySlack && CandidatePipeline::kSlack >= 16);
    const auto assembleInPlace = [&](const Picks& p, CandidatePipeline& into, std::uint8_t flags) {
        const std::size_t size = passwordSize(p);
        char* to = into.room(size);
        for (std::size_t w = 0; w < static_cast<std::size_t>(wordCount); ++w) {
            to += drawer->copyWord(p.words[w], to);
            if (w + 1 < static_cast<std::size_t>(wordCount)) {
                std::memcpy(to, separatorBytes.data(), 16);
                to += separator.size();
            }
        }
        std::memcpy(to, p.digits.data(), 16);
        into.commit(size, flags);
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
    const WipedOnExit wipeDigits(picks.longDigits), wipeNextDigits(nextPicks.longDigits);
    const WipedBytesOnExit wipeShortDigits(picks.digits.data(), picks.digits.size()),
        wipeNextShortDigits(nextPicks.digits.data(), nextPicks.digits.size());
    std::uint64_t candidateHash = 0;
    bool pending = false; // candidate holds an attempt drawn ahead

    const auto completed = [&] {
        run.list.colourRows(static_cast<std::size_t>(total), 10, 15);
        run.list.setUpdating(true);
        surface.setStatus("Complete");
        surface.setCountdownTimerEnabled(false);
        surface.setExecuteEnabled(true);
        surface.setStopEnabled(false);
        surface.setCountdown("0:00:00");
        surface.setProgress(100);
        return WordRunEnd::Completed;
    };

    // A long run (the display is not updating) checks its candidates on a
    // second thread while this one draws: the duplication set and the list are
    // the checker's until settled, which happens before the event loop runs,
    // before a stop prompt and at every end.
    std::unique_ptr<CandidatePipeline> pipeline;
    WordsChecker checker(seen, run.list, rejectionsAllowed);
    // On one processor the second thread would only add switches between the two.
    if (total >= 5000 && processorsAvailable() > 1) {
        try {
            pipeline = std::make_unique<CandidatePipeline>(checker);
        } catch (const std::system_error&) {
            // No second thread: the checks run here, below.
        }
    }
    if (pipeline) {
        std::int32_t counterShown = -1;
        const auto settle = [&] {
            pipeline->settle();
            run.state.currentPassword = std::min(checker.made() + 1, total);
            if (run.checks.counter && checker.made() != counterShown) {
                counterShown = checker.made();
                surface.setCounter(counter.of(counterShown, total));
            }
        };
        struct BeforeEvents {
            Yielder& yield;
            ~BeforeEvents() { yield.setBeforeEvents({}); }
        } const resetHook{run.yield};
        run.yield.setBeforeEvents(settle);
        // When duplicates would be a rare accident (total^2 / (2 possible)
        // of them expected), the check is folded: candidates go into the list
        // unchecked, and its rows are entered into the set in bulk before the
        // end and before a stop prompt. A row equal to an earlier one is a
        // candidate the check would have rejected: such rows go, the check is
        // made per candidate from then on, and the run draws as many more from
        // the same stream, so the rows are those of the check made each time.
        const long double expectedDuplicates =
            static_cast<long double>(total) * static_cast<long double>(total) / (2 * possible);
        bool fold = settings.duplicationCheck && expectedDuplicates < 1e-2L;
        std::uint8_t flags = settings.duplicationCheck && !fold ? WordsChecker::kDuplication : 0;
        std::size_t entered = 0; // rows of the list in the set while folded
        const auto removeRepeats = [&] { // settled
            if (!fold || entered == run.list.count())
                return;
            const std::vector<std::size_t> repeats = seen.enterRows(entered, run.list.count());
            entered = run.list.count();
            if (repeats.empty())
                return;
            run.list.removeRows(repeats);
            checker.forget(repeats.size());
            // The rows after a removed one moved: the set is made again.
            seen.clear();
            seen.enterRows(0, run.list.count());
            fold = false;
            flags = WordsChecker::kDuplication;
            settle();
        };
        std::uint64_t acceptedSeen = 0;
        const auto stop = [&] {
            settle();
            removeRepeats();
            return stopAsked(checker.made());
        };
        // Without a length window or upper case the next attempt's draws are
        // made before this one is put together, so its words load meanwhile
        // (as the run on one thread does); only when the run surely needs it.
        Picks upcoming;
        const WipedOnExit wipeUpcoming(upcoming.longDigits);
        const WipedBytesOnExit wipeUpcomingShort(upcoming.digits.data(), upcoming.digits.size());
        bool haveUpcoming = false;
        for (;;) {
            if (picksFirst) {
                if (haveUpcoming) {
                    std::swap(picks, upcoming);
                    haveUpcoming = false;
                } else {
                    run.yield(); // restart point: a new candidate
                    pick(picks);
                }
                if (pipeline->pushed() + 1 < static_cast<std::uint64_t>(total) && !run.state.stopPending()) {
                    run.yield();
                    pick(upcoming);
                    haveUpcoming = true;
                }
                if (inPlace) {
                    assembleInPlace(picks, *pipeline, flags);
                } else {
                    assemble(picks, candidate);
                    pipeline->push(candidate, flags);
                }
            } else {
                run.yield(); // restart point: a new candidate
                if (!build(candidate)) {
                    // A word outside the length window: the attempt is over.
                    if (++rejections > rejectionsAllowed) {
                        settle();
                        return endlessEnd(checker.made());
                    }
                    if (run.state.stopPending() && stop())
                        return stoppedEnd(checker.made());
                    continue;
                }
                pipeline->push(candidate, flags);
            }
            if (pipeline->accepted() != acceptedSeen) {
                acceptedSeen = pipeline->accepted();
                rejections = 0;
            }
            if (pipeline->ended()) {
                settle();
                return endlessEnd(checker.made());
            }
            // Beyond the total, each further attempt waits for the verdicts.
            if (pipeline->couldReach(static_cast<std::uint64_t>(total))) {
                settle();
                removeRepeats();
                if (checker.made() == total)
                    break;
            }
            if (run.state.stopPending() && stop())
                return stoppedEnd(checker.made());
        }
        pipeline.reset();
        return completed();
    }

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
            const bool fresh =
                seen.insertRow(candidate, candidateHash, static_cast<std::uint32_t>(run.list.count()));
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

    return completed();
}

} // namespace quorlix
