#include "ui/WindowWorker.h"

#include <QMetaObject>

#include <chrono>
#include <exception>
#include <filesystem>
#include <future>

#include "engine/Progress.h"

namespace quorlix::ui
{

using Clock = std::chrono::steady_clock;

// The window's surface as the worker sees it. Every member is used on the
// worker thread only; deliveries cross to the window through post().
class WindowWorker::Surface final : public MainWindowSurface
{
public:
    explicit Surface(WindowWorker& worker) : m_worker(worker) {}

    void begin()
    {
        m_pending = WorkerFlush{};
        m_any = false;
        m_timerOn = false;
        m_published = 0;
        m_quiet = false;
        m_cleared = false;
    }

    void setStatus(std::string_view text) override { set(m_pending.status, text); }
    void setHeading(std::string_view text) override { set(m_pending.heading, text); }
    // Once per password: keeps its buffer, so it does not allocate.
    void setCounter(std::string_view text) override { set(m_pending.counter, text); }
    void setCountdown(std::string_view text) override { set(m_pending.countdown, text); }
    void showCountdown() override { command(WindowCommand::ShowCountdown); }
    void setCountdownTimerEnabled(bool on) override
    {
        m_timerOn = on;
        if (on)
            m_nextTick = Clock::now() + std::chrono::milliseconds(kCountdownIntervalMs);
    }
    void setProgress(int percent) override
    {
        m_pending.progress = percent;
        m_any = true;
    }
    void setExecuteEnabled(bool on) override { command(on ? WindowCommand::ExecuteOn : WindowCommand::ExecuteOff); }
    void setStopEnabled(bool on) override { command(on ? WindowCommand::StopOn : WindowCommand::StopOff); }
    void enableOff() override { command(WindowCommand::EnableOff); }
    void enableOn() override
    {
        m_timerOn = false;
        command(WindowCommand::EnableOn);
    }
    void repaintList() override
    {
        m_pending.repaintList = true;
        m_any = true;
    }
    void selectFirstRow() override { command(WindowCommand::SelectFirstRow); }
    void setMethodOptionsEnabled(bool on) override
    {
        command(on ? WindowCommand::MethodOptionsOn : WindowCommand::MethodOptionsOff);
    }
    bool isMinimized() const override { return m_worker.m_minimized.load(std::memory_order_relaxed); }
    void refreshReadout() override { command(WindowCommand::RefreshReadout); }
    void setWindowTitle(std::string_view text) override { set(m_pending.windowTitle, text); }

    void processEvents() override
    {
        m_worker.takeOptions();
        if (m_timerOn && m_worker.m_tick && Clock::now() >= m_nextTick) {
            m_nextTick = Clock::now() + std::chrono::milliseconds(kCountdownIntervalMs);
            m_worker.m_tick();
        }
        flush();
    }

    // Called by the watched list on every change it reports.
    void listChanged(const ResultList& list)
    {
        if (list.count() == 0)
            m_cleared = true;
    }

    void flush()
    {
        publishRows();
        if (!m_any)
            return;
        m_pending.rowsHeld = m_quiet;
        auto delivery = std::make_shared<WorkerFlush>(std::move(m_pending));
        m_pending = WorkerFlush{};
        m_any = false;
        WorkerHost* host = &m_worker.m_host;
        m_worker.post([host, delivery] { host->applyFlush(*delivery); });
    }

private:
    void set(std::optional<std::string>& field, std::string_view text)
    {
        if (field)
            field->assign(text);
        else
            field.emplace(text);
        m_any = true;
    }

    void command(WindowCommand c)
    {
        m_pending.commands.push_back(c);
        m_any = true;
        // Commands are few; the window shows them at once, also when no yield follows.
        flush();
    }

    void publishRows()
    {
        const ResultList* list = m_worker.m_list;
        if (!list)
            return;
        m_worker.m_rowsMade.store(list->count(), std::memory_order_relaxed);
        if (m_cleared) {
            m_cleared = false;
            m_pending.listCleared = true;
            m_pending.rows.clear();
            m_published = 0;
            m_quiet = false;
            m_any = true;
        }
        if (m_quiet)
            return;
        const std::size_t n = list->count();
        if (!list->updating() || n > kLiveRowsLimit) {
            m_quiet = true; // the window gets the whole list when the work ends
            return;
        }
        for (std::size_t i = m_published; i < n; ++i)
            m_pending.rows.emplace_back(list->rowAdded(i));
        if (n > m_published)
            m_any = true;
        m_published = n;
    }

    WindowWorker& m_worker;
    WorkerFlush m_pending;
    bool m_any = false;
    bool m_timerOn = false;
    Clock::time_point m_nextTick;
    std::size_t m_published = 0;
    bool m_quiet = false;
    bool m_cleared = false;
};

class WindowWorker::Boxes final : public MessageBoxes
{
public:
    explicit Boxes(WindowWorker& worker) : m_worker(worker) {}
    using MessageBoxes::show;
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override
    {
        MessageRequest request{std::string(text), std::string(title), icon, buttons};
        WindowWorker& w = m_worker;
        return w.ask<Answer>(
            [&w, request](std::function<void(Answer)> reply) { w.m_prompts.message(w.m_window, request, reply); },
            leastAnswer(buttons));
    }

private:
    WindowWorker& m_worker;
};

class WindowWorker::Dialogs final : public SaveAsDialogs, public DatabaseToolDialogs
{
public:
    explicit Dialogs(WindowWorker& worker) : m_worker(worker) {}

    void begin() { m_openedFolder.clear(); }

    void showSaveAsNotice() override
    {
        WindowWorker& w = m_worker;
        w.ask<bool>([&w](std::function<void(bool)> reply) { w.m_host.saveAsNotice([reply] { reply(true); }); }, true);
    }
    std::optional<ChosenFile> chooseSaveFile(std::string_view caption, std::string_view filter) override
    {
        return choose(saveFileRequest(caption, filter));
    }
    bool chooseHandOutOptions(ListFormat format, HandOut& handOut) override
    {
        WindowWorker& w = m_worker;
        using Result = std::optional<HandOut>;
        const HandOut current = handOut;
        const Result chosen = w.ask<Result>(
            [&w, format, current](std::function<void(Result)> reply) {
                w.m_prompts.handOutOptions(w.m_window, format, current, reply);
            },
            std::nullopt);
        if (chosen)
            handOut = *chosen;
        return chosen.has_value();
    }
    std::optional<ChosenFile> chooseOpenFile(std::string_view title, std::string_view filter) override
    {
        auto chosen = choose(openFileRequest(title, filter));
        if (chosen)
            m_openedFolder = std::filesystem::path(chosen->path).parent_path().string();
        return chosen;
    }
    std::optional<ChosenFile> chooseSaveFile(std::string_view title, std::string_view filter,
                                             std::string_view proposedName) override
    {
        // Repair picks an existing file through a save-kind dialog: replacing
        // it is the point, so that dialog does not ask.
        const bool confirm = title != kRepairDialogTitle;
        FileRequest request = saveFileRequest(title, filter, proposedName, confirm);
        // The target proposed for a file this work opened (a conversion's or
        // a compaction's) goes beside it.
        if (!proposedName.empty())
            request.folder = m_openedFolder;
        return choose(std::move(request));
    }

private:
    std::optional<ChosenFile> choose(FileRequest request)
    {
        WindowWorker& w = m_worker;
        using Result = std::optional<ChosenFile>;
        return w.ask<Result>(
            [&w, request](std::function<void(Result)> reply) { w.m_prompts.file(w.m_window, request, reply); },
            std::nullopt);
    }

    WindowWorker& m_worker;
    std::string m_openedFolder; // of the last file this work opened
};

class WindowWorker::DesktopShell final : public Shell
{
public:
    explicit DesktopShell(WindowWorker& worker) : m_worker(worker) {}
    Status openFile(const std::string& path) override
    {
        WindowWorker& w = m_worker;
        return w.ask<Status>([&w, path](std::function<void(Status)> reply) { reply(w.m_host.openInDesktop(path)); },
                             Status::ok());
    }

private:
    WindowWorker& m_worker;
};

WindowWorker::WindowWorker(QWidget* window, WorkerHost& host, Prompts& prompts)
    : m_window(window), m_host(host), m_prompts(prompts), m_surface(std::make_unique<Surface>(*this)),
      m_boxes(std::make_unique<Boxes>(*this)), m_dialogs(std::make_unique<Dialogs>(*this)),
      m_shell(std::make_unique<DesktopShell>(*this))
{
}

WindowWorker::~WindowWorker()
{
    // The window never goes while its work runs (closing waits for it); should
    // one slip through, questions from now on answer at once and the work is
    // waited for rather than left running over freed memory.
    if (m_thread.joinable()) {
        m_closing.store(true);
        m_thread.join();
    }
}

MainWindowSurface& WindowWorker::workerSurface()
{
    return *m_surface;
}

void WindowWorker::post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

template <class T> T WindowWorker::ask(std::function<void(std::function<void(T)>)> start, T closingAnswer)
{
    if (m_closing.load())
        return closingAnswer;
    m_surface->flush(); // the window shows what led to the question first
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> answer = promise->get_future();
    post([this, start = std::move(start), promise, closingAnswer] {
        if (m_closing.load()) {
            promise->set_value(closingAnswer);
            return;
        }
        ++m_asking;
        auto answered = std::make_shared<bool>(false);
        std::function<void(T)> reply = [this, promise, answered](T value) {
            if (*answered)
                return;
            *answered = true;
            --m_asking;
            promise->set_value(std::move(value));
        };
        m_closers.push_back([reply, closingAnswer] { reply(closingAnswer); });
        start(reply);
    });
    return answer.get();
}

void WindowWorker::start(std::function<void(WorkerSide&)> work, std::function<void()> done)
{
    m_done = std::move(done);
    m_closing.store(false);
    m_rowsMade.store(0, std::memory_order_relaxed);
    m_surface->begin();
    m_dialogs->begin();
    if (m_list) {
        Surface* surface = m_surface.get();
        ResultList* list = m_list;
        list->setChangeObserver([surface, list] { surface->listChanged(*list); });
    }
    m_thread = std::thread([this, work = std::move(work)] {
        Yielder yielder(*m_surface);
        WorkerSide side{*m_surface, *m_boxes, *m_shell, *m_dialogs, *m_dialogs, yielder};
        try {
            work(side);
        } catch (const std::exception& e) {
            m_boxes->show(std::string("The operation ended with an error: ") + e.what(), Icon::Critical, Buttons::Ok);
        } catch (...) {
            m_boxes->show("The operation ended with an unknown error.", Icon::Critical, Buttons::Ok);
        }
        m_surface->flush();
        post([this] { end(); });
    });
}

void WindowWorker::answerForClosing()
{
    m_closing.store(true);
    // The questions on the screen are answered now; their boxes may close later.
    const auto closers = std::move(m_closers);
    m_closers.clear();
    for (const auto& close : closers)
        close();
}

void WindowWorker::end()
{
    m_thread.join();
    m_closers.clear();
    if (m_list)
        m_list->setChangeObserver({});
    m_list = nullptr;
    m_runOptions = nullptr;
    m_tick = {};
    m_optionsPosted.store(false);
    std::function<void()> done = std::move(m_done);
    m_done = {};
    if (done)
        done();
    emit finished();
}

void WindowWorker::postOptions(const OptionState& state)
{
    if (!busy() || !m_runOptions)
        return;
    std::lock_guard lock(m_optionsMutex);
    m_postedOptions = state;
    m_optionsPosted.store(true, std::memory_order_release);
}

void WindowWorker::takeOptions()
{
    if (!m_optionsPosted.load(std::memory_order_acquire) || !m_runOptions)
        return;
    std::lock_guard lock(m_optionsMutex);
    m_runOptions->checks = m_postedOptions.checks;
    m_runOptions->pool = m_postedOptions.pool;
    m_runOptions->inserts = m_postedOptions.inserts;
    m_runOptions->rules = m_postedOptions.rules;
    m_optionsPosted.store(false, std::memory_order_relaxed);
}

} // namespace quorlix::ui
