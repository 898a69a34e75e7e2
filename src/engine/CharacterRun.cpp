#include "engine/CharacterRun.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "engine/CandidatePipeline.h"
#include "engine/CharacterDraw.h"
#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "platform/LargeMemory.h"
#include "platform/SecretMemory.h"
#include "platform/Worker.h"

namespace quorlix
{

namespace
{

constexpr int kStripeFirst = 11;  // light cyan
constexpr int kStripeSecond = 15; // bright white
constexpr std::int32_t kQuietListFrom = 5000;

bool dictionaryAccepts(DictionaryCheck& dictionary, std::string_view password, int drawnLength, DictionaryMode mode)
{
    try {
        return dictionary.accept(password, drawnLength, mode);
    } catch (const std::exception&) {
        return true; // a check that cannot be made does not hold the run up
    }
}

// The run into the display. From kQuietListFrom passwords on (the display is
// not updating then) its password checks run on a second thread beside the
// drawing (CandidatePipeline); every time the event loop is about to run, the
// two threads settle first, so the list, the counter and the current password
// number are then as a run on one thread leaves them. A check switched during
// a yield applies from the next candidate drawn, as it does on one thread.
//
// A run whose duplicates would be a rare accident (ten million among 62^10
// possible passwords: one run in some ten thousand has one) folds the
// duplication check into one sort of the rows (the placement a sorted display
// needs anyway): candidates are added as drawn, and when the run has them all
// (or stops, or a check changes) the sort names the rows equal to an earlier
// row; those go and as many new candidates are drawn, as the check would
// have drawn them at once. The rows, their order and the draws are those of
// the check made per candidate; its table and its probes, one random memory
// access per password, are saved.
class SingleRun final : public CandidateChecker
{
public:
    SingleRun(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary)
        : m_request(request), m_env(env), m_surface(env.surface), m_list(env.list), m_state(env.state),
          m_dictionary(dictionary), m_total(request.values.totalPasswords),
          m_drawer(request, env.random, env.yielder, env.state, CharacterDrawer::Mode::Single), m_seen(env.list)
    {
    }
    ~SingleRun() override
    {
        m_env.yielder.setBeforeEvents({});
        m_pipeline.reset();
        stopPopulating();
    }

    void run()
    {
        const CheckOptions& checks = m_request.checks;
        const RunValues& values = m_request.values;
        // Room for the longest rows: pages never written are never made.
        int marks = 0;
        for (int i = 0; i < std::min<int>(values.maxLength, kMaxLength); ++i)
            marks += int{m_request.inserts.hyphen[i] == 1} + int{m_request.inserts.blank[i] == 1};
        const auto longest = static_cast<std::size_t>(std::clamp<int>(values.maxLength, 1, kMaxLength) + marks);
        m_list.reserve(static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)),
                       static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)) * longest);

        if (m_dictionary)
            m_dictionary->useSingleWindowTexts();
        m_state.ticks = 0;
        if (m_total >= kQuietListFrom)
            m_list.setUpdating(false);
        m_surface.setCountdownTimerEnabled(true);
        m_surface.showCountdown();
        m_surface.setCountdown(texts::kCalculating);
        m_surface.setStatus(texts::kProcessing);
        m_drawer.setWeights(classWeights(m_request.pool));
        const auto possible =
            static_cast<long double>(possiblePasswords(m_request.pool, m_request.values, m_request.rules));
        m_rejectionLimit = rejectionLimit(possible, m_total, checks.duplication);
        m_drawer.setRejectionLimit(m_rejectionLimit);

        // Made once: a std::function per password would allocate.
        const CharacterDrawer::StopPrompt prompt = [this] { return stopConfirmed(); };
        if (m_total < 1) {
            normalEnd(); // Execute refuses such a run; a direct caller gets an empty one
            return;
        }
        m_n = 1;
        m_state.currentPassword = 1;
        if (m_total >= kQuietListFrom) {
            try {
                m_pipeline = std::make_unique<CandidatePipeline>(*this);
                m_env.yielder.setBeforeEvents([this] { settle(); });
            } catch (const std::system_error&) {
                // No second thread to be had: the checks run here.
            }
        }
        // Duplicates expected among the candidates: total^2 / (2 possible).
        const long double expected = static_cast<long double>(m_total) * m_total / (2 * possible);
        m_fold = m_pipeline && checks.duplication && !(checks.dictionary && m_dictionary) &&
                 expected < kFoldBelowDuplicates;
        if (checks.duplication && !m_fold)
            m_seen.reserve(static_cast<std::size_t>(m_total));
        if (m_fold && processorsAvailable() > 1) {
            // Folded, this thread adds the rows: their pages are made on the
            // other core ahead of it.
            const std::pair<char*, std::size_t> room = m_list.textRoom();
            try {
                m_populate = startWorker([room, this] { populatePages(room.first, room.second, m_populateStop); });
            } catch (const std::system_error&) {
            }
        }
        m_env.yielder();
        for (;;) {
            const CharacterDrawer::Result result = m_drawer.draw(prompt);
            if (result != CharacterDrawer::Result::Drawn) {
                settle();
                removeRepeats();
                if (result == CharacterDrawer::Result::Stopped)
                    stoppedEnd();
                else if (result == CharacterDrawer::Result::Impossible)
                    errorEnd();
                else
                    endlessEnd();
                return;
            }
            const std::uint8_t flags = flagsOf(m_drawer.drawn());
            if (m_fold && (flags & (kDuplication | kDictionary)) != kDuplication) {
                // The check went off, or the dictionary must see candidates here.
                settle();
                leaveFold();
            }
            if (m_fold) {
                // Folded, a verdict needs nothing but the candidate's flags: the
                // rows go into the list here, as drawn, with nothing to hand
                // to the checker thread (which stays idle until the fold ends).
                const Verdict verdict = decideHere(flags);
                if (verdict != Verdict::Accepted) {
                    if (verdict == Verdict::End || m_drawer.rejected()) {
                        removeRepeats();
                        endlessEnd();
                        return;
                    }
                    continue; // whole-password retry point
                }
                m_drawer.accepted();
                // The rows are checked once the total is reached, and again
                // once as many as the check took out have been drawn again:
                // one pass over the list per round.
                if (m_made == m_total) {
                    removeRepeats();
                    if (m_made == m_total)
                        break;
                }
                if (m_state.stopPending() && stopConfirmed()) {
                    stoppedEnd();
                    return;
                }
                m_env.yielder();
                continue;
            }
            if (m_pipeline && !(flags & kDictionary)) {
                static_assert(CharacterDrawer::kPasswordPadding >= CandidatePipeline::kSlack);
                m_pipeline->pushPadded(m_drawer.password(), flags);
                if (m_pipeline->accepted() != m_acceptedSeen) {
                    m_acceptedSeen = m_pipeline->accepted();
                    m_drawer.accepted(); // the drawer's rejections in a row end there
                }
                if (m_pipeline->ended()) {
                    settle();
                    endlessEnd();
                    return;
                }
                // Beyond the total, each further candidate waits for the verdicts.
                if (m_pipeline->couldReach(static_cast<std::uint64_t>(m_total))) {
                    settle();
                    if (m_made == m_total)
                        break;
                }
                if (m_state.stopPending() && stopConfirmed()) {
                    stoppedEnd();
                    return;
                }
                m_env.yielder(); // the next password's yield
                continue;
            }
            // Here: a short run, or a candidate the dictionary check must see.
            settle();
            const Verdict verdict = flags & kDictionary ? decideWithDictionary(flags) : decideHere(flags);
            if (verdict != Verdict::Accepted) {
                if (verdict == Verdict::End || m_drawer.rejected()) {
                    endlessEnd();
                    return;
                }
                continue; // whole-password retry point
            }
            m_drawer.accepted();
            showProgress();
            if (m_state.stopPending() && stopConfirmed()) {
                stoppedEnd();
                return;
            }
            if (m_made == m_total)
                break;
            m_env.yielder();
        }
        normalEnd();
    }

    // CandidateChecker: on the checker thread while the pipeline runs, else here.
    void prepare(Candidate& candidate) override
    {
        if ((candidate.flags & kDuplication) && !m_fold) {
            candidate.hash = DuplicateSet::hashOf(candidate.text);
            m_seen.prefetch(candidate.hash);
        }
    }

    // Duplication, then strong passwords (decided when drawn, see flagsOf).
    Verdict decide(const Candidate& candidate) override
    {
        bool entered = false;
        if (m_fold) {
            // The duplication check comes with the placement (removeRepeats).
            if (candidate.flags & kStrongFailed)
                return rejectedHere();
        } else if (candidate.flags & kDuplication) {
            enterEarlierRows();
            if (!(candidate.flags & kStrongFailed)) {
                if (!m_seen.insertRow(candidate.text, candidate.hash, static_cast<std::uint32_t>(m_list.count())))
                    return rejectedHere();
                entered = true;
            }
        }
        if (candidate.flags & kStrongFailed)
            return rejectedHere();
        addRow(candidate.text, entered);
        return Verdict::Accepted;
    }

private:
    // What a candidate's checks are, read when it was drawn.
    static constexpr std::uint8_t kDuplication = 1;
    static constexpr std::uint8_t kStrongFailed = 2; // strong check on, and it failed
    static constexpr std::uint8_t kDictionary = 4;   // the dictionary check applies

    std::uint8_t flagsOf(std::string_view drawn) const
    {
        const CheckOptions& checks = m_request.checks;
        std::uint8_t flags = 0;
        if (checks.duplication)
            flags |= kDuplication;
        // The strong check sees the drawn characters only: a separator adds no strength.
        if (checks.strong && !hasThreeClasses(drawn))
            flags |= kStrongFailed;
        if (checks.dictionary && m_dictionary != nullptr)
            flags |= kDictionary;
        return flags;
    }

    Verdict decideHere(std::uint8_t flags)
    {
        Candidate candidate{m_drawer.password(), flags, 0};
        prepare(candidate);
        return decide(candidate);
    }

    // Duplication, strong passwords, then the dictionary; on this thread.
    Verdict decideWithDictionary(std::uint8_t flags)
    {
        const std::string_view password = m_drawer.password();
        const bool duplication = flags & kDuplication;
        std::uint64_t hash = 0;
        if (duplication) {
            enterEarlierRows();
            hash = DuplicateSet::hashOf(password);
            if (m_seen.contains(password, hash))
                return rejectedHere();
        }
        if (flags & kStrongFailed)
            return rejectedHere();
        if (!dictionaryAccepts(*m_dictionary, password, m_drawer.drawnLength(), m_request.checks.dictionaryMode))
            return rejectedHere();
        if (duplication)
            m_seen.insertRow(password, hash, static_cast<std::uint32_t>(m_list.count()));
        addRow(password, duplication);
        return Verdict::Accepted;
    }

    Verdict rejectedHere() { return ++m_checkRejections > m_rejectionLimit ? Verdict::End : Verdict::Rejected; }

    // Folded: the rows equal to an earlier row are the candidates the check
    // would have rejected. They go; the run then draws as many more.
    void removeRepeats()
    {
        stopPopulating(); // rows may move
        if (!m_fold || m_list.count() == m_rowsWithoutRepeats)
            return;
        const std::vector<std::size_t> repeats = m_list.repeatedRows();
        m_rowsWithoutRepeats = m_list.count() - repeats.size();
        if (repeats.empty())
            return;
        m_list.removeRows(repeats);
        m_made -= static_cast<std::int32_t>(repeats.size());
        showProgress();
    }

    // The check is made per candidate from now on. The rows so far, all
    // checked, are entered the next time the check is on.
    void leaveFold()
    {
        removeRepeats();
        m_fold = false;
        m_entered = 0;
        m_seen.reserve(static_cast<std::size_t>(m_total));
    }

    // Rows accepted while the check was off are entered the first time it is on.
    void enterEarlierRows()
    {
        for (; m_entered < m_list.count(); ++m_entered) {
            const std::string_view row = m_list.rowAdded(m_entered);
            m_seen.insertRow(row, DuplicateSet::hashOf(row), static_cast<std::uint32_t>(m_entered));
        }
    }

    // The display holds every accepted password of the run; m_entered counts
    // the leading rows that are also in the duplication set.
    void addRow(std::string_view password, bool entered)
    {
        m_list.add(password);
        ++m_made;
        m_checkRejections = 0;
        if (entered)
            m_entered = m_list.count();
    }

    // The checker's work is done and its state is ours: the readouts follow.
    void settle()
    {
        if (!m_pipeline)
            return;
        m_pipeline->settle();
        if (m_acceptedSeen != m_pipeline->accepted()) {
            m_acceptedSeen = m_pipeline->accepted();
            m_drawer.accepted();
        }
        showProgress();
    }

    // The counter and the current password number after m_made passwords.
    void showProgress()
    {
        if (m_request.checks.counter && m_made != m_counterShown) {
            m_counterShown = m_made;
            m_surface.setCounter(m_counter.of(m_made, m_total));
        }
        m_n = std::min(m_made + 1, m_total);
        m_state.currentPassword = m_n;
    }

    // The prompt reports the passwords in the display: the current one too
    // when the stop is noticed after it was accepted.
    bool stopConfirmed()
    {
        settle(); // their verdicts came before this stop
        removeRepeats();
        m_env.yielder.force();
        if (confirmStop(m_surface, m_env.boxes, m_request.checks.counter, m_made, m_total))
            return true;
        m_state.stopRequested = 0;
        m_drawer.poolMayHaveChanged();
        return false;
    }

    void stopPopulating()
    {
        if (!m_populate.joinable())
            return;
        m_populateStop.store(true);
        m_populate.join();
    }

    // At every end: the checker is done with, and the duplication set's
    // memory goes back (the placement of a sorted list may reuse it).
    void finish()
    {
        stopPopulating();
        m_env.yielder.setBeforeEvents({});
        m_pipeline.reset();
        m_seen.release();
    }

    void normalEnd()
    {
        finish();
        m_list.colourRows(static_cast<std::size_t>(m_total), kStripeFirst, kStripeSecond);
        m_surface.setStatus(texts::kComplete);
        if (m_state.stopPending())
            return;
        m_surface.setExecuteEnabled(true);
        m_surface.setStopEnabled(false);
        m_surface.enableOn();
        m_surface.setCountdownTimerEnabled(false);
        if (m_total >= kQuietListFrom) {
            m_surface.setStatus(texts::kUpdatingList);
            m_list.setUpdating(true);
            m_surface.setStatus(texts::kComplete);
        }
        m_surface.setCountdown(texts::kIdleCountdown);
        m_surface.setProgress(100);
    }

    // The window as a stopped run leaves it; the error end uses it too.
    void showStopped()
    {
        m_surface.enableOn();
        m_surface.setCountdownTimerEnabled(false);
        m_surface.setCountdown(texts::kIdleCountdown);
        m_surface.setStopEnabled(false);
        m_surface.setExecuteEnabled(true);
        m_surface.setHeading(texts::kPlainHeading);
        m_surface.setStatus(texts::kStoppedByUser);
    }

    void stoppedEnd()
    {
        finish();
        showStopped();
        m_list.colourRows(m_list.count(), kStripeFirst, kStripeSecond);
        m_list.setUpdating(true);
    }

    void errorEnd()
    {
        finish();
        m_env.boxes.show(texts::kRulesMismatchError, Icon::Exclamation, Buttons::Ok);
        showStopped();
        m_list.setUpdating(true);
    }

    // Checks that reject everything: as the error end, with its own reason.
    void endlessEnd()
    {
        finish();
        m_env.boxes.show(texts::kEndlessRejections, Icon::Exclamation, Buttons::Ok);
        showStopped();
        m_list.setUpdating(true);
    }

    const RunRequest& m_request;
    RunEnvironment& m_env;
    MainWindowSurface& m_surface;
    ResultList& m_list;
    RunState& m_state;
    DictionaryCheck* m_dictionary;
    const std::int32_t m_total;
    std::int32_t m_n = 0;
    std::int32_t m_counterShown = -1;
    std::uint64_t m_rejectionLimit = 0;
    std::uint64_t m_acceptedSeen = 0;
    // The duplication check folded into the placement (see the class comment);
    // changed only while the checker is settled.
    bool m_fold = false;
    std::size_t m_rowsWithoutRepeats = 0; // the list's rows when it last had none
    static constexpr long double kFoldBelowDuplicates = 1e-4L;
    CounterText m_counter;
    // The drawer is written for every character and what the verdicts change
    // for every candidate, on two threads while the checker runs: each on
    // cache lines of its own, or every write of one stalls the other.
    alignas(64) CharacterDrawer m_drawer;
    alignas(64) std::int32_t m_made = 0;  // passwords added to the display by this run
    std::uint64_t m_checkRejections = 0; // password checks' rejections in a row
    std::size_t m_entered = 0;
    DuplicateSet m_seen; // over m_list's rows
    // The list's pages made ahead of a folded run (see run()).
    std::thread m_populate;
    std::atomic<bool> m_populateStop{false};
    // Last: the checker thread ends before what it uses goes.
    alignas(64) std::unique_ptr<CandidatePipeline> m_pipeline;
};

std::optional<ListFormat> multiFileFormat(const std::string& type)
{
    return formatFromName(type);
}

// Raised inside the file loop for a failure that ends the run with the error
// message; cause, when known, follows it on a line of its own.
struct MultiFileFailure {
    std::string cause;
};

class MultiFileRun
{
public:
    MultiFileRun(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                 const MultiFileHooks& hooks)
        : m_request(request), m_env(env), m_surface(env.surface), m_state(env.state), m_dictionary(dictionary),
          m_hooks(hooks), m_settings(request.multiFile), m_total(request.values.totalPasswords),
          m_totalFiles(request.multiFile.totalFiles),
          m_drawer(request, env.random, env.yielder, env.state, CharacterDrawer::Mode::MultiFile)
    {
    }

    void run()
    {
        Outcome outcome = Outcome::Stopped;
        try {
            outcome = runFiles();
        } catch (const MultiFileFailure& failure) {
            errorEnd(failure.cause);
            return;
        } catch (const std::bad_alloc&) {
            errorEnd(m_path.empty() ? "Out of memory." : "Out of memory while writing " + m_path + ".");
            return;
        } catch (const std::exception& e) {
            errorEnd(m_path.empty() ? std::string(e.what())
                                    : seriesWriteFailureText(m_path, Status::ioError(e.what())));
            return;
        } catch (...) {
            errorEnd({});
            return;
        }
        if (outcome == Outcome::Stopped)
            return;
        if (outcome == Outcome::Endless) {
            // The files written stay, the last one closed with what it holds.
            m_env.boxes.show(texts::kEndlessRejections, Icon::Exclamation, Buttons::Ok);
            m_surface.enableOn();
            return;
        }
        m_surface.setStatus(texts::kComplete);
        m_surface.setCountdown(texts::kIdleCountdown);
        m_surface.setProgress(100);
        m_surface.enableOn();
    }

private:
    enum class Outcome { Complete, Stopped, Endless };

    // Throws for the error end.
    Outcome runFiles()
    {
        if (m_totalFiles < 1)
            throw MultiFileFailure{}; // the progress step divides by it
        const float step = (1.0f / static_cast<float>(m_totalFiles)) * 100.0f;
        m_surface.setCountdown(texts::kCountdownDeactivated);
        const CheckOptions& checks = m_request.checks;
        const std::optional<ListFormat> format = multiFileFormat(m_settings.fileType);
        if (!format)
            return Outcome::Complete;
        if (!m_hooks.open)
            throw MultiFileFailure{};
        // The duplication check compares within a file, so the limit is per file.
        m_drawer.setRejectionLimit(rejectionLimit(
            static_cast<long double>(possiblePasswords(m_request.pool, m_request.values, m_request.rules)), m_total,
            checks.duplication));

        const CharacterDrawer::StopPrompt prompt = [this] { return stopConfirmed(); };
        CounterText counter;
        float progress = 0;
        for (m_file = 1; m_file <= m_totalFiles; ++m_file) {
            m_env.yielder();
            progress += step;
            m_surface.setProgress(static_cast<int>(std::nearbyint(progress)));

            m_path = m_settings.filePath(m_file);
            const std::string shown = m_settings.shownName(m_file);
            Status opened;
            m_writer = m_hooks.open(m_path, *format, &opened);
            if (!m_writer)
                throw MultiFileFailure{seriesWriteFailureText(
                    m_path, opened.isOk() ? Status::ioError("It could not be created.") : opened)};
            const std::string writing = std::string(texts::kWritingToFile) + shown;
            m_surface.setStatus(writing);
            m_writer->begin();
            m_drawer.setWeights(classWeights(m_request.pool));
            if (m_dictionary)
                m_dictionary->useMultiFileTexts(shown);
            m_accepted.clear();
            m_written = 0;

            for (m_n = 1; m_n <= m_total; ++m_n) {
                m_state.currentPassword = m_n;
                m_env.yielder();
                if (*format != ListFormat::Mdb)
                    m_surface.repaintList();
                bool endless = false;
                for (;;) {
                    const CharacterDrawer::Result result = m_drawer.draw(prompt);
                    if (result == CharacterDrawer::Result::Stopped) {
                        stoppedEnd();
                        return Outcome::Stopped;
                    }
                    if (result == CharacterDrawer::Result::Drawn && accept(m_drawer.password(), m_drawer.drawn()))
                        break;
                    if (result == CharacterDrawer::Result::Endless || m_drawer.rejected()) {
                        endless = true;
                        break;
                    }
                }
                if (endless) {
                    const Status finished = m_writer->finish();
                    m_writer.reset();
                    if (!finished)
                        throw MultiFileFailure{seriesWriteFailureText(m_path, finished)};
                    return Outcome::Endless;
                }
                m_drawer.accepted();
                m_writer->add(m_drawer.password());
                ++m_written;
                if (checks.counter) {
                    m_surface.setCounter(counter.alone(m_n));
                    if (m_surface.isMinimized())
                        m_surface.setWindowTitle(counter.of(m_n, m_total));
                }
                if (m_state.stopPending() && stopConfirmed()) {
                    stoppedEnd();
                    return Outcome::Stopped;
                }
            }
            const Status finished = m_writer->finish();
            m_writer.reset();
            if (!finished)
                throw MultiFileFailure{seriesWriteFailureText(m_path, finished)};
        }
        m_path.clear();

        // Sorting a list handed out would undo its roster order.
        const bool handedOut = m_request.handOut && !m_request.handOut->isPlain();
        if (checks.sortDisplay && *format == ListFormat::Txt && !handedOut) {
            for (int f = 1; f <= m_totalFiles; ++f) {
                m_env.yielder();
                m_surface.setStatus(std::string(texts::kSortingFile) + m_settings.shownName(f));
                Status sorted;
                const std::string path = m_settings.filePath(f);
                // Byte order, as the display sorts.
                if (!m_hooks.sort)
                    throw MultiFileFailure{};
                if (!m_hooks.sort(path, true, &sorted) && !sorted)
                    throw MultiFileFailure{seriesSortFailureText(path, sorted)};
            }
        }
        return Outcome::Complete;
    }

    // Duplication (this file only), strong passwords, then dictionary.
    bool accept(std::string_view password, std::string_view drawn)
    {
        const CheckOptions& checks = m_request.checks;
        const bool duplication = checks.duplication;
        const bool strong = checks.strong;
        const bool dictionary = checks.dictionary && m_dictionary != nullptr;
        bool recorded = false;
        if (duplication) {
            if (!dictionary && !strong) {
                if (!m_accepted.addIfNew(password))
                    return false;
                recorded = true;
            } else if (m_accepted.contains(password)) {
                return false;
            }
        }
        if (strong && !hasThreeClasses(drawn))
            return false;
        // A dictionary that cannot be read ends this run (the exception goes up).
        if (dictionary && !m_dictionary->accept(password, static_cast<int>(drawn.size()), checks.dictionaryMode))
            return false;
        if (!recorded)
            m_accepted.add(password, duplication);
        return true;
    }

    // The prompt reports the passwords in the current file: the one being
    // drawn is not there yet.
    bool stopConfirmed()
    {
        m_env.yielder.force();
        if (confirmMultiFileStop(m_surface, m_env.boxes, m_request.checks.counter, m_file - 1, m_totalFiles,
                                 m_written, m_total))
            return true;
        m_state.stopRequested = 0;
        m_drawer.poolMayHaveChanged();
        return false;
    }

    void stoppedEnd()
    {
        CounterText counter;
        if (m_request.checks.counter)
            m_surface.setCounter(counter.alone(m_written));
        m_surface.enableOn();
        m_surface.setStopEnabled(false);
        m_surface.setExecuteEnabled(true);
        // Kept without its closing lines, as far as it was written.
        if (m_writer)
            (void)m_writer->closeUnfinished();
        m_writer.reset();
        m_surface.setStatus(texts::kStoppedByUserMultiFile);
    }

    void errorEnd(const std::string& cause)
    {
        // The file being written is dropped; an older file of that name stays.
        if (m_writer) {
            try {
                m_writer->discard();
            } catch (...) {
            }
            m_writer.reset();
        }
        // The causes the message lists are guesses; the real one follows.
        m_env.boxes.show(cause.empty() ? std::string(texts::kMultiFileError)
                                       : std::string(texts::kMultiFileError) + "\r\n\r\n" + cause,
                         Icon::Exclamation, Buttons::Ok);
        m_surface.enableOn();
    }

    const RunRequest& m_request;
    RunEnvironment& m_env;
    MainWindowSurface& m_surface;
    RunState& m_state;
    DictionaryCheck* m_dictionary;
    const MultiFileHooks& m_hooks;
    const MultiFileSettings& m_settings;
    const std::int32_t m_total;
    const std::int32_t m_totalFiles;
    std::int32_t m_file = 0;
    std::int32_t m_n = 0;
    std::int32_t m_written = 0; // passwords in the current file
    std::string m_path;         // the file being written, empty between files
    CharacterDrawer m_drawer;
    AcceptedPasswords m_accepted;
    std::unique_ptr<ListWriter> m_writer;
};

} // namespace

void generateCharacters(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary)
{
    try {
        SingleRun(request, env, dictionary).run();
    } catch (...) {
        // Memory ran out (or a display that could not take a row): the rows
        // made so far stay; say so rather than leave the window locked.
        env.boxes.show(texts::kMultiFileError, Icon::Exclamation, Buttons::Ok);
        env.surface.enableOn();
        env.surface.setCountdownTimerEnabled(false);
        env.surface.setCountdown(texts::kIdleCountdown);
        env.surface.setStopEnabled(false);
        env.surface.setExecuteEnabled(true);
        env.surface.setStatus(texts::kStoppedByUser);
        env.list.setUpdating(true);
    }
}

void generateMultiFileCharacters(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                                 const MultiFileHooks& hooks)
{
    MultiFileRun(request, env, dictionary, hooks).run();
}

} // namespace quorlix
