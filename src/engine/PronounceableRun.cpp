#include "engine/PronounceableRun.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "engine/CharacterDraw.h"
#include "engine/DuplicateSet.h"
#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/Pronounceable.h"
#include "engine/RunTexts.h"
#include "platform/SecretMemory.h"

namespace quorlix
{

namespace
{

constexpr int kStripeFirst = 11;  // light cyan, as Random Characters
constexpr int kStripeSecond = 15; // bright white
constexpr std::int32_t kQuietListFrom = 5000;

// Spaces between the parts, for sizing the list: at most 32 parts.
std::size_t longestPassword(const PronounceableSettings& s)
{
    return static_cast<std::size_t>(std::max<int>(s.maxLength, 1)) * 2;
}

class SingleRun
{
public:
    SingleRun(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary)
        : m_request(request), m_env(env), m_surface(env.surface), m_list(env.list), m_state(env.state),
          m_dictionary(dictionary), m_settings(request.pronounceable), m_language(m_settings),
          m_total(m_settings.totalPasswords)
    {
    }

    void run()
    {
        const WipedOnExit wipe(m_candidate);
        if (m_request.checks.duplication)
            m_seen.reserve(static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)));
        m_list.reserve(static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)),
                       static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)) * longestPassword(m_settings));
        if (m_dictionary)
            m_dictionary->useSingleWindowTexts();
        m_state.ticks = 0;
        if (m_total >= kQuietListFrom)
            m_list.setUpdating(false);
        m_surface.setCountdownTimerEnabled(true);
        m_surface.showCountdown();
        m_surface.setCountdown(texts::kCalculating);
        m_surface.setStatus(texts::kProcessing);
        const std::uint64_t limit =
            rejectionLimit(m_language.approximateCount(), m_total, m_request.checks.duplication);

        for (std::int32_t n = 1; n <= m_total; ++n) {
            m_state.currentPassword = n;
            m_env.yielder();
            // A stop pressed while the run yielded: password n is not begun.
            if (m_state.stopPending() && stopConfirmed()) {
                stoppedEnd();
                return;
            }
            std::uint64_t rejections = 0;
            for (;;) {
                const int length = m_language.draw(m_env.random, m_candidate);
                if (passes(length))
                    break;
                // Checks that reject everything would keep the run drawing for ever.
                if (++rejections > limit) {
                    endlessEnd();
                    return;
                }
                if (m_state.stopPending() && stopConfirmed()) {
                    stoppedEnd();
                    return;
                }
                m_env.yielder();
            }
            m_list.add(m_candidate);
            ++m_made;
            if (m_lastEntered)
                m_entered = m_list.count();
            if (m_request.checks.counter)
                m_surface.setCounter(m_counter.of(n, m_total));
            if (m_state.stopPending() && stopConfirmed()) {
                stoppedEnd();
                return;
            }
        }
        normalEnd();
    }

private:
    // Duplication, then dictionary; read afresh for every candidate.
    bool passes(int length)
    {
        const CheckOptions& checks = m_request.checks;
        m_lastEntered = false;
        if (checks.duplication) {
            // Rows accepted while the check was off are entered the first time it is on.
            for (; m_entered < m_list.count(); ++m_entered)
                m_seen.insert(m_list.rowAdded(m_entered));
            if (m_seen.contains(m_candidate))
                return false;
        }
        if (checks.dictionary && m_dictionary) {
            try {
                if (!m_dictionary->accept(m_candidate, length, checks.dictionaryMode))
                    return false;
            } catch (const std::exception&) {
                // a check that cannot be made does not hold the run up
            }
        }
        if (checks.duplication) {
            m_seen.insert(m_candidate);
            m_lastEntered = true;
        }
        return true;
    }

    bool stopConfirmed()
    {
        m_env.yielder.force();
        if (confirmStop(m_surface, m_env.boxes, m_request.checks.counter, m_made, m_total))
            return true;
        m_state.stopRequested = 0;
        return false;
    }

    void normalEnd()
    {
        m_list.colourRows(static_cast<std::size_t>(std::max<std::int32_t>(m_total, 0)), kStripeFirst, kStripeSecond);
        m_surface.setStatus(texts::kComplete);
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
        showStopped();
        m_list.colourRows(m_list.count(), kStripeFirst, kStripeSecond);
        m_list.setUpdating(true);
    }

    void endlessEnd()
    {
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
    const PronounceableSettings m_settings; // as they stood when the run started
    PronounceableLanguage m_language;
    const std::int32_t m_total;
    std::int32_t m_made = 0;
    std::string m_candidate;
    DuplicateSet m_seen;
    std::size_t m_entered = 0; // leading rows of the display that are in m_seen
    bool m_lastEntered = false;
    CounterText m_counter;
};

std::optional<ListFormat> seriesFormat(const std::string& type)
{
    return formatFromName(type);
}

// A failure inside the file loop that ends the run with the error message;
// cause, when known, follows it on a line of its own.
struct SeriesFailure {
    std::string cause;
};

class MultiFileRun
{
public:
    MultiFileRun(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                 const MultiFileHooks& hooks)
        : m_request(request), m_env(env), m_surface(env.surface), m_state(env.state), m_dictionary(dictionary),
          m_hooks(hooks), m_series(request.multiFile), m_settings(request.pronounceable), m_language(m_settings),
          m_total(m_settings.totalPasswords), m_totalFiles(request.multiFile.totalFiles)
    {
    }

    void run()
    {
        const WipedOnExit wipe(m_candidate);
        Outcome outcome = Outcome::Stopped;
        try {
            outcome = runFiles();
        } catch (const SeriesFailure& failure) {
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

    Outcome runFiles()
    {
        if (m_totalFiles < 1)
            throw SeriesFailure{};
        const float step = (1.0f / static_cast<float>(m_totalFiles)) * 100.0f;
        m_surface.setCountdown(texts::kCountdownDeactivated);
        const CheckOptions& checks = m_request.checks;
        const std::optional<ListFormat> format = seriesFormat(m_series.fileType);
        if (!format)
            return Outcome::Complete;
        if (!m_hooks.open)
            throw SeriesFailure{};
        // The duplication check compares within a file, so the limit is per file.
        const std::uint64_t limit = rejectionLimit(m_language.approximateCount(), m_total, checks.duplication);
        CounterText counter;
        float progress = 0;
        for (m_file = 1; m_file <= m_totalFiles; ++m_file) {
            m_env.yielder();
            progress += step;
            m_surface.setProgress(static_cast<int>(std::nearbyint(progress)));
            m_path = m_series.filePath(m_file);
            const std::string shown = m_series.shownName(m_file);
            Status opened;
            m_writer = m_hooks.open(m_path, *format, &opened);
            if (!m_writer)
                throw SeriesFailure{seriesWriteFailureText(
                    m_path, opened.isOk() ? Status::ioError("It could not be created.") : opened)};
            m_surface.setStatus(std::string(texts::kWritingToFile) + shown);
            m_writer->begin();
            if (m_dictionary)
                m_dictionary->useMultiFileTexts(shown);
            m_accepted.clear();
            m_written = 0;

            for (std::int32_t n = 1; n <= m_total; ++n) {
                m_state.currentPassword = n;
                m_env.yielder();
                if (*format != ListFormat::Mdb)
                    m_surface.repaintList();
                std::uint64_t rejections = 0;
                for (;;) {
                    const int length = m_language.draw(m_env.random, m_candidate);
                    if (accept(length))
                        break;
                    if (++rejections > limit) {
                        const Status finished = m_writer->finish();
                        m_writer.reset();
                        if (!finished)
                            throw SeriesFailure{seriesWriteFailureText(m_path, finished)};
                        return Outcome::Endless;
                    }
                    if (m_state.stopPending() && stopConfirmed()) {
                        stoppedEnd();
                        return Outcome::Stopped;
                    }
                    m_env.yielder();
                }
                m_writer->add(m_candidate);
                ++m_written;
                if (checks.counter) {
                    m_surface.setCounter(counter.alone(n));
                    if (m_surface.isMinimized())
                        m_surface.setWindowTitle(counter.of(n, m_total));
                }
                if (m_state.stopPending() && stopConfirmed()) {
                    stoppedEnd();
                    return Outcome::Stopped;
                }
            }
            const Status finished = m_writer->finish();
            m_writer.reset();
            if (!finished)
                throw SeriesFailure{seriesWriteFailureText(m_path, finished)};
        }
        m_path.clear();

        // Sorting a list handed out would undo its roster order.
        const bool handedOut = m_request.handOut && !m_request.handOut->isPlain();
        if (checks.sortDisplay && *format == ListFormat::Txt && !handedOut) {
            for (int f = 1; f <= m_totalFiles; ++f) {
                m_env.yielder();
                m_surface.setStatus(std::string(texts::kSortingFile) + m_series.shownName(f));
                Status sorted;
                const std::string path = m_series.filePath(f);
                if (!m_hooks.sort)
                    throw SeriesFailure{};
                if (!m_hooks.sort(path, true, &sorted) && !sorted)
                    throw SeriesFailure{seriesSortFailureText(path, sorted)};
            }
        }
        return Outcome::Complete;
    }

    // Duplication (this file only), then dictionary; a dictionary that cannot
    // be read ends the run (the exception goes up).
    bool accept(int length)
    {
        const CheckOptions& checks = m_request.checks;
        if (checks.duplication && m_accepted.contains(m_candidate))
            return false;
        if (checks.dictionary && m_dictionary &&
            !m_dictionary->accept(m_candidate, length, checks.dictionaryMode))
            return false;
        m_accepted.add(m_candidate, checks.duplication);
        return true;
    }

    bool stopConfirmed()
    {
        m_env.yielder.force();
        if (confirmMultiFileStop(m_surface, m_env.boxes, m_request.checks.counter, m_file - 1, m_totalFiles,
                                 m_written, m_total))
            return true;
        m_state.stopRequested = 0;
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
        if (m_writer)
            (void)m_writer->closeUnfinished();
        m_writer.reset();
        m_surface.setStatus(texts::kStoppedByUserMultiFile);
    }

    void errorEnd(const std::string& cause)
    {
        if (m_writer) {
            try {
                m_writer->discard();
            } catch (...) {
            }
            m_writer.reset();
        }
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
    const MultiFileSettings& m_series;
    const PronounceableSettings m_settings;
    PronounceableLanguage m_language;
    const std::int32_t m_total;
    const std::int32_t m_totalFiles;
    std::int32_t m_file = 0;
    std::int32_t m_written = 0;
    std::string m_path;
    std::string m_candidate;
    AcceptedPasswords m_accepted;
    std::unique_ptr<ListWriter> m_writer;
};

} // namespace

std::optional<std::string> pronounceableRefusal(const PronounceableSettings& s, const CheckOptions& checks)
{
    if (s.totalPasswords < 1 || s.totalPasswords > kMaxPasswords)
        return std::string(texts::kAmountRange);
    if (s.minLength > s.maxLength)
        return std::string(texts::kMinAboveMax);
    if (s.minLength < 1 || s.maxLength > kMaxLength)
        return std::string(texts::kLengthRange);
    if (s.digitCount < 0 || s.digitCount > kPronounceableMostDigits)
        return std::string(texts::kPronounceableDigitsRange);
    const PronounceableLanguage language(s);
    if (language.empty())
        return texts::noPronounceableLength(s.minLength, s.maxLength, language.shortestLength());
    if (checks.duplication && static_cast<std::uint64_t>(s.totalPasswords) > language.saturatedCount())
        return texts::tooFewPossible(s.totalPasswords, language.saturatedCount());
    return std::nullopt;
}

void generatePronounceable(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary)
{
    try {
        SingleRun(request, env, dictionary).run();
    } catch (...) {
        // Memory ran out: the rows made so far stay; say so rather than leave the window locked.
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

void generateMultiFilePronounceable(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary,
                                    const MultiFileHooks& hooks)
{
    MultiFileRun(request, env, dictionary, hooks).run();
}

} // namespace quorlix
