#include "engine/CharacterRun.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <string>

#include "engine/CharacterDraw.h"
#include "engine/PasswordSpace.h"
#include "engine/Progress.h"
#include "engine/RunTexts.h"
#include "platform/SecretMemory.h"

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

class SingleRun
{
public:
    SingleRun(const RunRequest& request, RunEnvironment& env, DictionaryCheck* dictionary)
        : m_request(request), m_env(env), m_surface(env.surface), m_list(env.list), m_state(env.state),
          m_dictionary(dictionary), m_total(request.values.totalPasswords),
          m_drawer(request, env.random, env.yielder, env.state, CharacterDrawer::Mode::Single)
    {
    }
    ~SingleRun() { wipeSecret(m_held.data(), sizeof m_held); }

    void run()
    {
        const CheckOptions& checks = m_request.checks;
        const int maxLength = m_request.values.maxLength;
        if (checks.duplication)
            m_seen.reserve(static_cast<std::size_t>(m_total));
        const auto averageLength = static_cast<std::size_t>(m_request.values.minLength + maxLength) / 2 + 1;
        m_list.reserve(static_cast<std::size_t>(m_total), static_cast<std::size_t>(m_total) * averageLength);

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
        m_drawer.setRejectionLimit(rejectionLimit(
            static_cast<long double>(possiblePasswords(m_request.pool, m_request.values, m_request.rules)), m_total,
            checks.duplication));

        // Made once: a std::function per password would allocate.
        const CharacterDrawer::StopPrompt prompt = [this] { return stopConfirmed(); };
        if (m_total < 1) {
            normalEnd(); // Execute refuses such a run; a direct caller gets an empty one
            return;
        }
        m_n = 1;
        m_state.currentPassword = 1;
        m_env.yielder();
        for (;;) {
            const CharacterDrawer::Result result = m_drawer.draw(prompt);
            if (result == CharacterDrawer::Result::Stopped) {
                stoppedEnd();
                return;
            }
            if (result == CharacterDrawer::Result::Impossible) {
                resolveAllHeld();
                errorEnd();
                return;
            }
            if (result == CharacterDrawer::Result::Endless) {
                resolveAllHeld();
                endlessEnd();
                return;
            }
            // The candidate is for the first password not yet decided. With
            // only the duplication and strong checks on, its checks wait until
            // a few more candidates are drawn: the draws do not depend on the
            // verdicts (a rejected candidate is simply followed by the next one
            // from the same stream), and the table probe, a cache miss at these
            // sizes, then overlaps the drawing. A candidate is held only while
            // the run would need the next one even if every held one passed.
            if (canHold() && !m_state.stopPending()) {
                if (m_heldCount == kHoldDepth)
                    resolveOldestHeld();
                if (m_endless) {
                    endlessEnd();
                    return;
                }
                if ((m_n - 1) + m_heldCount + 1 < m_total) {
                    hold(m_drawer.password(), m_drawer.drawn());
                    m_env.yielder(); // the next password's yield
                    continue;
                }
            }
            resolveAllHeld();
            if (m_endless) {
                endlessEnd();
                return;
            }
            if (!accept(m_drawer.password(), m_drawer.drawn())) {
                if (m_drawer.rejected()) {
                    endlessEnd();
                    return;
                }
                continue; // whole-password retry point
            }
            acceptedEnd();
            if (m_state.stopPending() && stopConfirmed()) {
                stoppedEnd();
                return;
            }
            if (m_n == m_total)
                break;
            ++m_n;
            m_state.currentPassword = m_n;
            m_env.yielder();
        }
        normalEnd();
    }

private:
    // A candidate waiting for its checks while later ones are drawn.
    struct Held {
        std::array<char, kMaxAssembledLength> text;
        std::array<char, kMaxLength> drawnText;
        std::size_t size = 0;
        std::size_t drawnSize = 0;
        std::uint64_t hash = 0;
        std::string_view view() const { return {text.data(), size}; }
        std::string_view drawn() const { return {drawnText.data(), drawnSize}; }
    };
    // Eight candidates of drawing cover a table probe's round trip to memory.
    static constexpr int kHoldDepth = 8;

    bool canHold() const
    {
        const CheckOptions& checks = m_request.checks;
        return checks.duplication && !(checks.dictionary && m_dictionary != nullptr);
    }

    void hold(std::string_view password, std::string_view drawn)
    {
        Held& held = m_held[(m_heldFirst + m_heldCount) % kHoldDepth];
        std::copy(password.begin(), password.end(), held.text.begin());
        held.size = password.size();
        std::copy(drawn.begin(), drawn.end(), held.drawnText.begin());
        held.drawnSize = drawn.size();
        held.hash = DuplicateSet::hashOf(password);
        ++m_heldCount;
        m_seen.prefetch(held.hash);
    }

    // The oldest held candidate's checks, as they would have run before the
    // next draw. Its stop test needs nothing: only a candidate drawn without a
    // stop pending is held.
    void resolveOldestHeld()
    {
        const Held& held = m_held[m_heldFirst];
        m_heldFirst = (m_heldFirst + 1) % kHoldDepth;
        --m_heldCount;
        if (!passes(held.view(), held.drawn(), held.hash)) {
            m_endless = m_drawer.rejected();
            return;
        }
        addRow(held.view());
        acceptedEnd();
        ++m_n;
        m_state.currentPassword = m_n;
    }

    // Stops at a verdict that passes the rejection limit: the run ends there.
    void resolveAllHeld()
    {
        while (m_heldCount > 0 && !m_endless)
            resolveOldestHeld();
    }

    void acceptedEnd()
    {
        if (m_request.checks.counter)
            m_surface.setCounter(m_counter.of(m_n, m_total));
    }

    // Password checks in their order: duplication, strong, dictionary. Adds
    // the password to the display when all pass.
    bool accept(std::string_view password, std::string_view drawn)
    {
        if (!passes(password, drawn, DuplicateSet::hashOf(password)))
            return false;
        addRow(password);
        return true;
    }

    // The checks alone. A password that passes with the duplication check on
    // is entered in the set (m_lastEntered says so for addRow).
    bool passes(std::string_view password, std::string_view drawn, std::uint64_t hash)
    {
        const CheckOptions& checks = m_request.checks;
        const bool duplication = checks.duplication;
        const bool strong = checks.strong;
        const bool dictionary = checks.dictionary && m_dictionary != nullptr;
        m_lastEntered = false;
        if (duplication) {
            // Rows accepted while the check was off are entered the first time it is on.
            for (; m_entered < m_list.count(); ++m_entered)
                m_seen.insert(m_list.rowAdded(m_entered));
            if (!strong && !dictionary) {
                if (!m_seen.insert(password, hash))
                    return false;
                m_lastEntered = true;
            } else if (m_seen.contains(password, hash)) {
                return false;
            }
        }
        if (strong && !hasThreeClasses(drawn))
            return false;
        if (dictionary && !dictionaryAccepts(*m_dictionary, password, static_cast<int>(drawn.size()),
                                             checks.dictionaryMode))
            return false;
        if (duplication && !m_lastEntered) {
            m_seen.insert(password, hash);
            m_lastEntered = true;
        }
        return true;
    }

    // The display holds every accepted password of the run; m_entered counts
    // the leading rows that are also in the duplication set.
    void addRow(std::string_view password)
    {
        m_list.add(password);
        ++m_made;
        m_drawer.accepted();
        if (m_lastEntered)
            m_entered = m_list.count();
    }

    // The prompt reports the passwords in the display: the current one too
    // when the stop is noticed after it was accepted.
    bool stopConfirmed()
    {
        resolveAllHeld(); // their verdicts came before this stop
        m_env.yielder.force();
        if (confirmStop(m_surface, m_env.boxes, m_request.checks.counter, m_made, m_total))
            return true;
        m_state.stopRequested = 0;
        m_drawer.poolMayHaveChanged();
        return false;
    }

    void normalEnd()
    {
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
        showStopped();
        m_list.colourRows(m_list.count(), kStripeFirst, kStripeSecond);
        m_list.setUpdating(true);
    }

    void errorEnd()
    {
        m_env.boxes.show(texts::kRulesMismatchError, Icon::Exclamation, Buttons::Ok);
        showStopped();
        m_list.setUpdating(true);
    }

    // Checks that reject everything: as the error end, with its own reason.
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
    const std::int32_t m_total;
    std::int32_t m_n = 0;
    std::int32_t m_made = 0; // passwords added to the display by this run
    bool m_endless = false;  // a held verdict passed the rejection limit
    CharacterDrawer m_drawer;
    DuplicateSet m_seen;
    std::size_t m_entered = 0;
    bool m_lastEntered = false;
    std::array<Held, kHoldDepth> m_held;
    int m_heldFirst = 0;
    int m_heldCount = 0;
    CounterText m_counter;
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
